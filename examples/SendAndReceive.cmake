# message_example | receive_example, without a shell: the message goes through a
# file, is shown, then read back; both programs must succeed and the values
# that needed escaping must come back as they were sent.
set(message ${WORK_DIR}/message.xml)
execute_process(COMMAND ${SENDER} OUTPUT_FILE ${message} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "message_example failed (${result})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E cat ${message})
execute_process(COMMAND ${RECEIVER} INPUT_FILE ${message} OUTPUT_VARIABLE received ECHO_OUTPUT_VARIABLE
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "receive_example failed (${result})")
endif()
foreach(expected IN ITEMS "ProducerAddress    svc&co\n" "label  Café \"Zur Linde\" & <Bar>\n"
    "codes  7 -2 300\n" "crème brûlée: 6.75\n")
  string(FIND "${received}" "${expected}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "receive_example did not print: ${expected}")
  endif()
endforeach()

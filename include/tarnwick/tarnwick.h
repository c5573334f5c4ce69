#pragma once

// Every public header of the library.

#include <tarnwick/Version.h>

#include <tarnwick/core/Conversion.h>
#include <tarnwick/core/Export.h>
#include <tarnwick/core/MainBaseClass.h>
#include <tarnwick/core/ServiceException.h>

#include <tarnwick/datatypes/ParamType.h>
#include <tarnwick/datatypes/ServiceType.h>
#include <tarnwick/datatypes/OwnedList.h>
#include <tarnwick/datatypes/PrimitiveCode.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/SequenceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/DictionaryType.h>
#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/AnyTypeSequenceType.h>
#include <tarnwick/datatypes/XmlString.h>
#include <tarnwick/datatypes/TimeStampServiceType.h>
#include <tarnwick/datatypes/TimeStampSequenceType.h>
#include <tarnwick/datatypes/TimeDurationServiceType.h>
#include <tarnwick/datatypes/TimeDurationSequenceType.h>

#include <tarnwick/stubproxy/FieldSource.h>
#include <tarnwick/stubproxy/UserParameters.h>
#include <tarnwick/stubproxy/TimeDuration.h>
#include <tarnwick/stubproxy/TimeStamp.h>
#include <tarnwick/stubproxy/AnyType.h>
#include <tarnwick/stubproxy/XmlValue.h>
#include <tarnwick/stubproxy/UserParametersErrorString.h>
#include <tarnwick/stubproxy/UserParametersSubscribeEvent.h>
#include <tarnwick/stubproxy/Record.h>

#include <tarnwick/encoding/ServiceMessage.h>
#include <tarnwick/encoding/XmlEncoder.h>
#include <tarnwick/encoding/XmlDecoder.h>
#include <tarnwick/encoding/XmlSchema.h>
#include <tarnwick/encoding/XmlSequenceWrapper.h>

#include <tarnwick/logging/LevelTypes.h>
#include <tarnwick/logging/LogArgument.h>
#include <tarnwick/logging/ServiceLogger.h>
#include <tarnwick/logging/LoggerManager.h>

#include <tarnwick/threading/Mutex.h>
#include <tarnwick/threading/MutexLock.h>
#include <tarnwick/threading/ServiceEvent.h>

#include <tarnwick/diagnostics/ServiceDiagnostics.h>
#include <tarnwick/diagnostics/DiagnosticsManager.h>
#include <tarnwick/diagnostics/ScopedTimeCounter.h>

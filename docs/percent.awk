# Input filter of the Markdown pages (docs/Doxyfile.in). Outside fenced code,
# Doxygen reads "%" before a word as "do not link this word" and drops it, in
# code spans too, so that `%s` would show as `s`. The pages are written for any
# Markdown reader; doubling the sign here keeps it in the API reference.
/^[ \t]*```/ { fenced = !fenced; print; next }
fenced { print; next }
{ gsub(/%[A-Za-z_]/, "%&"); print }

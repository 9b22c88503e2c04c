# The vyrmatrix manual page holds the whole reference: every command, every published property
# of the control that --set takes (the oracle is the control itself: the properties --state
# reports after Name and Tag, and Text), every control code and every exit status.
#   cmake -DVYRMATRIX=... -DMAN_PAGE=.../vyrmatrix.1.gz -P man_page_test.cmake
execute_process(COMMAND gzip -dc ${MAN_PAGE} OUTPUT_VARIABLE Page RESULT_VARIABLE Status)
if(NOT Status EQUAL 0)
  message(FATAL_ERROR "cannot read ${MAN_PAGE}")
endif()
execute_process(COMMAND ${VYRMATRIX} render --state OUTPUT_VARIABLE State RESULT_VARIABLE Status)
if(NOT Status EQUAL 0)
  message(FATAL_ERROR "vyrmatrix render --state failed")
endif()
# groff escapes the minus sign of options.
string(REPLACE "\\-" "-" Page "${Page}")

set(Wanted render scroll edit gif package --siblings --load-form --save-form --set --key --type
  --focus --blur --click --step --blink --paint --glyph --column --wait --save --print --state
  --seconds --frames --version Text)
# The keys in the order printed (CMake's JSON functions sort them).
string(REGEX MATCHALL "\"[A-Za-z]+\":" Keys "${State}")
set(Published FALSE)
foreach(Quoted IN LISTS Keys)
  string(REGEX REPLACE "^\"(.*)\":$" "\\1" Key "${Quoted}")
  # Charset names a TCharSet component on a form: not a value --set can give.
  if(Published AND NOT Key STREQUAL "Charset")
    list(APPEND Wanted ${Key})
  endif()
  if(Key STREQUAL "Tag")
    set(Published TRUE)
  endif()
endforeach()
foreach(Code A B C D E F I L S 0 1 2 3)
  list(APPEND Wanted "@${Code}")
endforeach()
list(APPEND Wanted "@4 to @8" "@@")

set(Missing "")
foreach(Word IN LISTS Wanted)
  string(FIND "${Page}" "${Word}" At)
  if(At EQUAL -1)
    list(APPEND Missing "${Word}")
  endif()
endforeach()
foreach(Exit 0 1 2)
  if(NOT Page MATCHES "\n\\.TP[^\n]*\n${Exit}\n")
    list(APPEND Missing "exit status ${Exit}")
  endif()
endforeach()
if(Missing)
  message(FATAL_ERROR "the manual page lacks: ${Missing}")
endif()

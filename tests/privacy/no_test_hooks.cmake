# cmake -DINCLUDE_DIR=<include folder> -P no_test_hooks.cmake
#
# Fails when an installed header declares a test hook: spy counters, frame observers, wake-up
# counts, an accessibility tap or a fault-injection budget. Each row: a regular expression
# matched against the headers' code and comments.

cmake_minimum_required(VERSION 3.25)

set(rows
  "CopyCount|FillCount|InvalidateCount|PaintEventCount|HostPaintCount|TextureCount"
  "[Rr]esetCounters"
  "[Ss]py"
  "[Oo]bserver"
  "[Ff]ault[- ]?[Ii]njection|FaultBudget|FailAfter"
  "[Ww]ake[Uu]?p?Count|WakeUps"
  "[Aa]ccessibility[ ]?[Tt]ap"
)

file(GLOB_RECURSE headers RELATIVE ${INCLUDE_DIR} ${INCLUDE_DIR}/vyr/*.h)
set(failures "")
foreach(header IN LISTS headers)
  file(STRINGS ${INCLUDE_DIR}/${header} lines)
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    foreach(row IN LISTS rows)
      if(line MATCHES "${row}")
        string(APPEND failures "${header}:${number}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(failures)
  message(FATAL_ERROR "test hooks in installed headers:\n${failures}")
endif()
list(LENGTH headers count)
message(STATUS "${count} headers checked")

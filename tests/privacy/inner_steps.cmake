# cmake -DCXX=<compiler> -DINCLUDE_DIR=<include folder> -DWORK_DIR=<scratch> -P inner_steps.cmake
#
# Compiles (syntax only) one small program per row: a class derived from TEditMatrix whose member
# runs the row's expression. Rows marked "public" must compile: they show that the setup works and
# that a derived control keeps what it may use (public operations, the host's handlers). Rows
# marked "private" must fail, and fail because the step is out of reach.

cmake_minimum_required(VERSION 3.25)

set(rows
  "public|GoRight(), FSetText(\"a\"), (void)Diagnostics(), (void)PixelPool().At(0)"
  "public|TEditMatrix::KeyDown(Key, {}), TEditMatrix::DoEnter()"
  "private|(void)CreatePixelP(1)"
  "private|GoToNextPixel(Cell)"
  "private|TotalRedraw(false, false)"
  "private|InsertElement(65)"
  "private|SPutpixel24bitmap(0, 0, 0)"
  "private|UseLiteralRenderer(true)"
)

file(MAKE_DIRECTORY ${WORK_DIR})
set(failures "")
set(index 0)
foreach(row IN LISTS rows)
  string(FIND "${row}" "|" bar)
  string(SUBSTRING "${row}" 0 ${bar} expect)
  math(EXPR start "${bar} + 1")
  string(SUBSTRING "${row}" ${start} -1 statement)
  set(source ${WORK_DIR}/derived_${index}.cpp)
  file(WRITE ${source} "#include \"vyr/EditMatrix.h\"
namespace app {
class TMyMatrix : public vyr::TEditMatrix {
public:
    using vyr::TEditMatrix::TEditMatrix;
    void Run() {
        using namespace vyr;
        ${statement};
    }
    vyr::host::Word Key = 0;
    vyr::_Pixel* Cell = nullptr;
};
}  // namespace app
int main() {}
")
  execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only -I${INCLUDE_DIR} ${source}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(expect STREQUAL "public")
    if(NOT result EQUAL 0)
      string(APPEND failures "does not compile, but should: ${statement}\n${err}\n")
    endif()
  elseif(result EQUAL 0)
    string(APPEND failures "compiles, but the step should be out of reach: ${statement}\n")
  elseif(NOT err MATCHES "private")
    string(APPEND failures "fails for another reason than access: ${statement}\n${err}\n")
  endif()
  math(EXPR index "${index} + 1")
endforeach()

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "${index} programs checked")

# Fails when clang-tidy (the checks in .clang-tidy) reports anything in the program's sources.
file(GLOB sources ${SOURCE_DIR}/book/*.cpp ${SOURCE_DIR}/platform/*.cpp ${SOURCE_DIR}/window/*.cpp
     ${SOURCE_DIR}/splash/*.cpp ${SOURCE_DIR}/main.cpp)
execute_process(COMMAND ${RUN_CLANG_TIDY} -quiet -p ${BUILD_DIR} ${sources}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_QUIET)
string(REGEX MATCHALL "[^\n]*(warning|error): [^\n]*" findings "${output}")
list(REMOVE_DUPLICATES findings)
foreach(finding IN LISTS findings)
    message("${finding}")
endforeach()
if(findings OR NOT status EQUAL 0)
    message(FATAL_ERROR "clang-tidy reported the findings above")
endif()
list(LENGTH sources count)
message(STATUS "clang-tidy: ${count} files, nothing reported")

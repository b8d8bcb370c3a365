# Fails when a C++ source differs from what clang-format makes of it.
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
     ${SOURCE_DIR}/book/*.cpp ${SOURCE_DIR}/book/*.h
     ${SOURCE_DIR}/window/*.cpp ${SOURCE_DIR}/window/*.h
     ${SOURCE_DIR}/splash/*.cpp ${SOURCE_DIR}/splash/*.h
     ${SOURCE_DIR}/platform/*.cpp ${SOURCE_DIR}/platform/*.h
     ${SOURCE_DIR}/tests/*.cpp ${SOURCE_DIR}/tests/support/*.h ${SOURCE_DIR}/main.cpp
     ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/bench/*.h)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources}
                WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "clang-format: the files above need formatting (clang-format -i)")
endif()
list(LENGTH sources count)
message(STATUS "${count} files formatted")

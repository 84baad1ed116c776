# End-to-end tests written with Python's unittest, one ctest entry per test method, so that
# ctest -j2 runs two sessions side by side.
#   lumidot_python_tests(<prefix> <python> <environment list>)
# registers <prefix>.<module>.<method> for every test_*.py of the current source folder. A method
# belongs to the test class above it: a class deriving from unittest.TestCase or from one of the
# harness's *TestCase bases.
function(lumidot_python_tests prefix python environment)
    file(GLOB test_files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/test_*.py)
    foreach(file ${test_files})
        get_filename_component(module ${file} NAME_WE)
        file(STRINGS ${file} lines REGEX "^(class [A-Za-z0-9_]+\\(|    def test_[a-z0-9_]+\\()")
        set(class "")
        foreach(line ${lines})
            if(line MATCHES "^class ([A-Za-z0-9_]+)\\((unittest\\.)?[A-Za-z0-9_]*TestCase\\)")
                set(class ${CMAKE_MATCH_1})
            elseif(line MATCHES "^class ")
                set(class "")    # not a test class: its methods are no tests of their own
            elseif(class AND line MATCHES "^    def (test_[a-z0-9_]+)\\(")
                set(name ${prefix}.${module}.${CMAKE_MATCH_1})
                add_test(NAME ${name}
                         COMMAND ${python} -m unittest -v ${module}.${class}.${CMAKE_MATCH_1}
                         WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
                set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}" TIMEOUT 300)
            endif()
        endforeach()
    endforeach()
endfunction()

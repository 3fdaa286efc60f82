# The Python module `pelmora` (python/), built when pybind11 is found. Debian's python3-pybind11
# and python3-pytest serve Debian's interpreter, so that is the one the module is built for
# unless Python3_EXECUTABLE names another.
if(NOT DEFINED Python3_EXECUTABLE AND EXISTS /usr/bin/python3)
  set(Python3_EXECUTABLE /usr/bin/python3)
endif()
find_package(Python3 QUIET COMPONENTS Interpreter Development.Module)
if(Python3_FOUND)
  find_package(pybind11 2.6 CONFIG QUIET)
endif()
if(pybind11_FOUND)
  set(python_default ON)
else()
  set(python_default OFF)
endif()
option(PELMORA_PYTHON "Build the Python module (needs pybind11)" ${python_default})
if(NOT PELMORA_PYTHON)
  return()
endif()
if(NOT pybind11_FOUND)
  message(FATAL_ERROR "PELMORA_PYTHON is on but pybind11 was not found (Debian: python3-pybind11)")
endif()

# The interpreter's own site directory below the install prefix: Debian's interpreter reads
# lib/python3/dist-packages under /usr and lib/python3.X/dist-packages under /usr/local.
if(Python3_SITEARCH MATCHES "dist-packages")
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(python_dir lib/python3/dist-packages)
  else()
    set(python_dir lib/python${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}/dist-packages)
  endif()
else()
  set(python_dir lib/python${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}/site-packages)
endif()
set(PELMORA_PYTHON_INSTALL_DIR ${python_dir} CACHE STRING
    "Where the Python module is installed, below the install prefix")
# The Ansible collection goes beside the module: Ansible finds the ansible_collections folders on
# its interpreter's path, and the collection's modules need the module there anyway.
set(PELMORA_ANSIBLE_INSTALL_DIR ${PELMORA_PYTHON_INSTALL_DIR} CACHE STRING
    "Where the folder ansible_collections (pelmora.printserver) is installed, below the prefix")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/ansible/ansible_collections
        DESTINATION ${PELMORA_ANSIBLE_INSTALL_DIR} COMPONENT python
        PATTERN __pycache__ EXCLUDE PATTERN "*.tar.gz" EXCLUDE)

add_subdirectory(python)

# The tests use only the public Python API. pytest's exit status 5 (no test collected) fails the
# test like any other non-zero status.
if(PELMORA_BUILD_TESTS)
  add_test(NAME python COMMAND ${Python3_EXECUTABLE} -m pytest -q -p no:cacheprovider
                               ${PROJECT_SOURCE_DIR}/tests/python)
  set(python_environment "PYTHONPATH=${PROJECT_BINARY_DIR}/python" PYTHONDONTWRITEBYTECODE=1)
  # A sanitized module in Debian's unsanitized interpreter: the sanitizers' runtimes must be
  # loaded before anything else, and the interpreter's memory held until exit is no leak.
  if(PELMORA_SANITIZE)
    set(runtimes)
    foreach(runtime libasan.so libubsan.so)
      execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                      OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
      file(REAL_PATH "${path}" path)
      list(APPEND runtimes "${path}")
    endforeach()
    list(JOIN runtimes ":" preload)
    list(APPEND python_environment "LD_PRELOAD=${preload}" "ASAN_OPTIONS=detect_leaks=0")
  endif()
  set_tests_properties(python PROPERTIES ENVIRONMENT "${python_environment}" TIMEOUT 300)
  # The collection with Debian's ansible-core against `pelmora sim`; the modules run on this
  # interpreter with the module from the build tree. The collection's tarball goes to
  # build/ansible. Not in the sanitized build: ansible would start every interpreter with the
  # sanitizers' runtimes preloaded.
  if(TARGET pelmora_cli AND NOT PELMORA_SANITIZE)
    add_test(NAME ansible COMMAND ${Python3_EXECUTABLE} -m pytest -q -p no:cacheprovider
                                  ${PROJECT_SOURCE_DIR}/tests/ansible)
    set_tests_properties(ansible PROPERTIES TIMEOUT 120 ENVIRONMENT
      "${python_environment};PELMORA_TOOL=$<TARGET_FILE:pelmora_cli>;PELMORA_BUILD_DIR=${PROJECT_BINARY_DIR}")
  endif()
endif()

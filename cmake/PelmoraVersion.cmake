# pelmora/Version.h (the version as macros) and the library's LibraryVersion(), generated from
# the project's version.
if(PROJECT_VERSION_MINOR STREQUAL "")
  set(PELMORA_VERSION_MINOR 0)
else()
  set(PELMORA_VERSION_MINOR ${PROJECT_VERSION_MINOR})
endif()
set(PELMORA_GENERATED_INCLUDE_DIR ${PROJECT_BINARY_DIR}/generated/include)
configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.h.in
               ${PELMORA_GENERATED_INCLUDE_DIR}/pelmora/Version.h @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.cpp.in ${PROJECT_BINARY_DIR}/generated/Version.cpp
               @ONLY)
target_sources(pelmora PRIVATE ${PROJECT_BINARY_DIR}/generated/Version.cpp)
target_include_directories(pelmora PUBLIC $<BUILD_INTERFACE:${PELMORA_GENERATED_INCLUDE_DIR}>)

# The Windows program: the window library, the compiled resources and tlvn.exe.
enable_language(RC)

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(TLVN_MANIFEST_ARCH amd64)
else()
  set(TLVN_MANIFEST_ARCH X86)
endif()
configure_file(${CMAKE_SOURCE_DIR}/resources/tlvn.manifest.in
               ${CMAKE_BINARY_DIR}/generated/tlvn.manifest @ONLY)

# Every window unit joins the library by its file name alone; winmain.cpp is the
# program's entry only.
file(GLOB tlvn_win_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
list(FILTER tlvn_win_sources EXCLUDE REGEX "/winmain\\.cpp$")
add_library(tlvn_win STATIC ${tlvn_win_sources} ${CMAKE_SOURCE_DIR}/platform/tools.cpp)
target_link_libraries(tlvn_win PUBLIC tlvn_app tlvn_engine comctl32 comdlg32 shell32 ole32 version
                                      advapi32 gdi32 user32)

# The resources, shared by tlvn.exe and the window tests (which build dialogs in-process).
file(GLOB tlvn_resource_inputs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.rc
     ${CMAKE_SOURCE_DIR}/resources/*.ico ${CMAKE_SOURCE_DIR}/resources/*.h)
add_library(tlvn_resources OBJECT ${CMAKE_SOURCE_DIR}/resources/tlvn.rc)
target_include_directories(tlvn_resources PRIVATE ${CMAKE_SOURCE_DIR}/resources)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/tlvn.rc PROPERTIES OBJECT_DEPENDS
  "${tlvn_resource_inputs};${CMAKE_BINARY_DIR}/generated/tlvn.manifest;${CMAKE_BINARY_DIR}/generated/version.h")

add_executable(tlvn WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/winmain.cpp $<TARGET_OBJECTS:tlvn_resources>)
target_link_libraries(tlvn PRIVATE tlvn_win)

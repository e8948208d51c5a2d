# The Windows program: the window library, the compiled resources and tlvn.exe.
enable_language(RC)

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(TLVN_MANIFEST_ARCH amd64)
else()
  set(TLVN_MANIFEST_ARCH X86)
endif()
configure_file(${CMAKE_SOURCE_DIR}/resources/tlvn.manifest.in
               ${CMAKE_BINARY_DIR}/generated/tlvn.manifest @ONLY)

# The window units; winmain.cpp is the program's entry only.
add_library(tlvn_win STATIC
  about.cpp
  explorer_menu.cpp
  help.cpp
  instance.cpp
  links.cpp
  log_list.cpp
  main_cmdline.cpp
  main_controls.cpp
  main_drop.cpp
  main_layout.cpp
  main_log.cpp
  main_name_edit.cpp
  main_queue.cpp
  main_run.cpp
  main_settings.cpp
  main_tooltips.cpp
  main_window.cpp
  msgbox.cpp
  options.cpp
  remind.cpp
  save_dialog.cpp
  settings.cpp
  usage.cpp)
target_link_libraries(tlvn_win PUBLIC tlvn_app tlvn_engine comctl32 comdlg32 shell32 ole32 version
                                      advapi32 gdi32 user32)

# The resources, shared by tlvn.exe and the window tests (which build dialogs in-process).
# tlvn.rc includes the other scripts, the icon and the ids.
set(tlvn_resource_inputs about.rc cmdline.rc options.rc remind.rc resource.h tlvn.ico)
list(TRANSFORM tlvn_resource_inputs PREPEND ${CMAKE_SOURCE_DIR}/resources/)
add_library(tlvn_resources OBJECT ${CMAKE_SOURCE_DIR}/resources/tlvn.rc)
target_include_directories(tlvn_resources PRIVATE ${CMAKE_SOURCE_DIR}/resources)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/tlvn.rc PROPERTIES OBJECT_DEPENDS
  "${tlvn_resource_inputs};${CMAKE_BINARY_DIR}/generated/tlvn.manifest;${CMAKE_BINARY_DIR}/generated/version.h")

add_executable(tlvn WIN32 winmain.cpp $<TARGET_OBJECTS:tlvn_resources>)
target_link_libraries(tlvn PRIVATE tlvn_win)

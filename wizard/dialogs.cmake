# The source list's handlers, the Add Folder dialog and the preview windows,
# with their templates; linked by Kestro.exe and by the dialogs' tests.
add_library(kestro_wizard_dialogs STATIC
  ${CMAKE_CURRENT_LIST_DIR}/source_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/add_folder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/previews.cpp)
target_include_directories(kestro_wizard_dialogs PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(kestro_wizard_dialogs PUBLIC kestro_ui kestro_project kestro_common)

add_library(kestro_wizard_dialogs_res OBJECT ${CMAKE_CURRENT_LIST_DIR}/dialogs.rc)
target_include_directories(kestro_wizard_dialogs_res PRIVATE ${CMAKE_CURRENT_LIST_DIR})
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/dialogs.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/resource.h")

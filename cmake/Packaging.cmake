# `cmake --install` and CPack: the ZIP for players. It unpacks straight into the game's
# folder: the plugin, quorvane-host (whose `explain` command the guide describes) and
# the player's guide as a text file. key.txt is the player's own and is not shipped.
include_guard(GLOBAL)

set(QUORVANE_GUIDE_NAME "QuorvaneIR-guide.txt")
set(quorvane_guide "${CMAKE_BINARY_DIR}/generated/${QUORVANE_GUIDE_NAME}")
file(READ "${CMAKE_SOURCE_DIR}/docs/players.md" quorvane_guide_text)
if(WIN32)
  # Notepad's line breaks, so older versions of it show the lines apart.
  string(REPLACE "\n" "\r\n" quorvane_guide_text "${quorvane_guide_text}")
endif()
file(WRITE "${quorvane_guide}" "${quorvane_guide_text}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/docs/players.md")

# `cmake --install <build> --prefix <game folder>` puts them where the game looks. The
# host finds GetMethodTable by name: the DLL's import library is of no use to anyone.
install(TARGETS QuorvaneIR quorvane-host
        RUNTIME DESTINATION . COMPONENT player
        LIBRARY DESTINATION . COMPONENT player
        ARCHIVE DESTINATION lib COMPONENT import_library EXCLUDE_FROM_ALL)
install(FILES "${quorvane_guide}" DESTINATION . COMPONENT player)

set(CPACK_PACKAGE_NAME "QuorvaneIR")
set(CPACK_PACKAGE_VENDOR "Quorvane IR")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Internet-ranking plugin of the game")
if(WIN32)
  set(CPACK_SYSTEM_NAME "win32")
endif()
set(CPACK_GENERATOR "ZIP")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_COMPONENTS_ALL player)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")
set(CPACK_STRIP_FILES ON)
include(CPack)

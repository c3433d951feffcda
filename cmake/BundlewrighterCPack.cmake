# Bundlewrighter's CPack route. In your project, after the CPACK_* variables
# and any of the optional BUNDLEWRIGHTER_* ones below:
#
#   list(APPEND CMAKE_MODULE_PATH <this folder>)
#   include(BundlewrighterCPack)        # in place of include(CPack)
#
# `cpack -G External` (or a package preset) then stages the install() rules,
# writes install.inf from the variables and runs `bwpack build`, leaving
# <CPACK_PACKAGE_FILE_NAME>.exe (by default <name>-<version>-win64.exe) in the
# package directory.
#
# Read from CPack: CPACK_PACKAGE_NAME ([title]), CPACK_PACKAGE_VERSION
# ([version]), CPACK_PACKAGE_VENDOR ([publisher]),
# CPACK_PACKAGE_INSTALL_DIRECTORY ([defaultdir]), CPACK_RESOURCE_FILE_LICENSE
# ([license]), CPACK_PACKAGE_EXECUTABLES (pairs of program and shortcut name:
# [group icons]) and CPACK_CREATE_DESKTOP_LINKS.
#
# Optional, for what CPack has no name for:
#   BUNDLEWRIGHTER_BWPACK        the packer: a program and any leading arguments
#                                (default: bwpack on the PATH)
#   BUNDLEWRIGHTER_STUB          setup-stub.exe (default: beside bwpack)
#   BUNDLEWRIGHTER_UNINSTALLER   uninstall.exe (default: the one bwpack knows)
#   BUNDLEWRIGHTER_PRODUCT_ID    [product id], kept from version to version
#                                (default: CPACK_PACKAGE_NAME)
#   BUNDLEWRIGHTER_SCOPE         [scope]: machine (the default), user or choice
#   BUNDLEWRIGHTER_PROGRAM_GROUP the Start-menu folder (default: the name)
#   BUNDLEWRIGHTER_SIDE_IMAGE    a 150 x 260 bitmap for the wizard's side
#   BUNDLEWRIGHTER_BACKGROUND_START_COLOR, BUNDLEWRIGHTER_BACKGROUND_END_COLOR
#                                the background gradient, as in install.inf
#   BUNDLEWRIGHTER_DESKTOP_ICONS programs of CPACK_PACKAGE_EXECUTABLES that
#                                also get a desktop shortcut
#   BUNDLEWRIGHTER_LAUNCH        the program offered to start at the end
#   BUNDLEWRIGHTER_RUN_AND_WAIT  command lines run after the shortcuts
#   BUNDLEWRIGHTER_SIGN_COMMAND  bwpack build's --sign-command (one list
#                                element: join commands with && rather than ;)
#   BUNDLEWRIGHTER_COMPRESSION   zlib (the default) or lzma: bwpack build's
#                                --compression; lzma makes much smaller
#                                installers and needs the Linux bwpack
# A program is named as in CPACK_PACKAGE_EXECUTABLES (found among the staged
# files by name, .exe optional) or by its path in the installation.
include_guard(GLOBAL)

set(_bw_names BWPACK STUB UNINSTALLER PRODUCT_ID SCOPE PROGRAM_GROUP SIDE_IMAGE
    BACKGROUND_START_COLOR BACKGROUND_END_COLOR DESKTOP_ICONS LAUNCH RUN_AND_WAIT SIGN_COMMAND
    COMPRESSION)

if(NOT DEFINED BUNDLEWRIGHTER_BWPACK)
  find_program(BUNDLEWRIGHTER_BWPACK_PROGRAM bwpack)
  if(BUNDLEWRIGHTER_BWPACK_PROGRAM)
    set(BUNDLEWRIGHTER_BWPACK ${BUNDLEWRIGHTER_BWPACK_PROGRAM})
  endif()
endif()
if(NOT DEFINED BUNDLEWRIGHTER_STUB AND BUNDLEWRIGHTER_BWPACK)
  list(GET BUNDLEWRIGHTER_BWPACK -1 _bw_tool)
  get_filename_component(_bw_tool_dir "${_bw_tool}" DIRECTORY)
  set(BUNDLEWRIGHTER_STUB ${_bw_tool_dir}/setup-stub.exe)
endif()
# Files given relative to the project are taken from its source folder: the
# package script runs elsewhere.
foreach(_bw_file CPACK_RESOURCE_FILE_LICENSE BUNDLEWRIGHTER_STUB BUNDLEWRIGHTER_UNINSTALLER
        BUNDLEWRIGHTER_SIDE_IMAGE)
  if(${_bw_file})
    get_filename_component(${_bw_file} "${${_bw_file}}" ABSOLUTE BASE_DIR
                           ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
endforeach()
# CPack would fill these with placeholders (a generic licence text, the
# vendor "Humanity"); an installer shows neither.
foreach(_bw_var CPACK_RESOURCE_FILE_LICENSE CPACK_PACKAGE_VENDOR)
  if(NOT DEFINED ${_bw_var})
    set(${_bw_var} "")
  endif()
endforeach()
# The installers are x86_64 programs.
if(NOT DEFINED CPACK_SYSTEM_NAME)
  set(CPACK_SYSTEM_NAME win64)
endif()

# CPack passes on only variables named CPACK_*.
foreach(_bw_name ${_bw_names})
  if(DEFINED BUNDLEWRIGHTER_${_bw_name})
    set(CPACK_BUNDLEWRIGHTER_${_bw_name} "${BUNDLEWRIGHTER_${_bw_name}}")
  endif()
endforeach()

if(NOT DEFINED CPACK_GENERATOR)
  set(CPACK_GENERATOR External)
elseif(NOT "External" IN_LIST CPACK_GENERATOR)
  list(APPEND CPACK_GENERATOR External)
endif()
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/BundlewrighterPackage.cmake)
# The installer has no choice of components: everything goes into one tree.
set(CPACK_MONOLITHIC_INSTALL ON)
include(CPack)

# add_bundle(<target> OUTPUT <file.exe> FOLDER <distribution folder> DEPENDS <targets>...):
# packs the folder behind this architecture's bundle stub into one self-extracting setup, with
# scripts/pack-bundle.py (gcab makes the cabinet). Repacked on every build, as the folder is.
function(add_bundle target)
  cmake_parse_arguments(arg "" "OUTPUT;FOLDER" "DEPENDS" ${ARGN})
  add_custom_target(${target} ALL
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/pack-bundle.py --stub $<TARGET_FILE:bundle_stub>
            ${arg_FOLDER} ${arg_OUTPUT}
    DEPENDS bundle_stub ${arg_DEPENDS} ${CMAKE_SOURCE_DIR}/scripts/pack-bundle.py
    COMMENT "Packing ${arg_FOLDER} into ${arg_OUTPUT}"
    VERBATIM)
endfunction()

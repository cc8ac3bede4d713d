# Resource-only DLLs: no code, no entry point, no runtime.
function(add_resource_dll target output_name rc_file)
  add_library(${target} SHARED ${rc_file})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${output_name} LINKER_LANGUAGE C)
  target_link_options(${target} PRIVATE -nostdlib -Wl,-e,0 -shared)
  set_property(TARGET ${target} PROPERTY LINK_LIBRARIES "")
endfunction()

# setup_<culture>.dll, the culture library of the setup program's numbered texts.
function(add_culture_library culture rc_file)
  add_resource_dll(culture_${culture} setup_${culture} ${rc_file})
endfunction()

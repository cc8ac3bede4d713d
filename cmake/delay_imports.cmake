# An import of a DLL that is not among Windows' known DLLs is searched for in the program's own
# folder first, and the loader resolves it before any of our code runs: a DLL planted beside
# setup.exe (in a Downloads folder, say) would run with the installer's rights. Such DLLs are
# delay-loaded instead: they load on first use, after main has limited the search to the system
# folder.
#
# delay_import_libraries(OUT dll...) builds, at configure time, one delay-import library per DLL
# from the exports of the toolchain's ordinary import library, and sets OUT to their paths.
function(delay_import_libraries out)
  set(libraries)
  set(folder ${CMAKE_BINARY_DIR}/delayimp)
  file(MAKE_DIRECTORY ${folder})
  foreach(dll IN LISTS ARGN)
    execute_process(COMMAND ${CMAKE_C_COMPILER} -print-file-name=lib${dll}.a
                    OUTPUT_VARIABLE import OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${import} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
    if(failed OR NOT EXISTS ${import})
      message(FATAL_ERROR "No import library for ${dll} (${import})")
    endif()
    # "__imp_Name" (x86_64) or "__imp__Name@8" (i686): the exported name, with its stdcall size.
    string(REGEX MATCHALL "I __imp__?[A-Za-z0-9_@]+" entries "${symbols}")
    set(def "LIBRARY ${dll}.dll\nEXPORTS\n")
    foreach(entry IN LISTS entries)
      if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        string(REGEX REPLACE "^I __imp__" "" name "${entry}")
      else()
        string(REGEX REPLACE "^I __imp_" "" name "${entry}")
      endif()
      string(APPEND def "  ${name}\n")
    endforeach()
    file(WRITE ${folder}/${dll}.def "${def}")
    set(library ${folder}/lib${dll}_delay.a)
    set(options)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(options --kill-at)  # the DLL exports the names without their stdcall size
    endif()
    execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${folder}/${dll}.def --output-delaylib ${library}
                            --dllname ${dll}.dll ${options}
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "dlltool could not build the delay-import library of ${dll}")
    endif()
    list(APPEND libraries ${library})
  endforeach()
  set(${out} ${libraries} PARENT_SCOPE)
endfunction()

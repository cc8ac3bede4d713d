# The sample distribution: MSI packages built from .wxs with wixl, product resource
# libraries with generated JPEG pictures, and the folder layout a vendor would ship.
find_program(WIXL wixl REQUIRED)
find_program(IMAGEMAGICK_CONVERT convert REQUIRED)

set(SAMPLES ${CMAKE_SOURCE_DIR}/samples)
set(SAMPLE_OUT ${CMAKE_BINARY_DIR}/samples)
file(MAKE_DIRECTORY ${SAMPLE_OUT}/packages ${SAMPLE_OUT}/pictures)

# build_msi(<stem>): samples/packages/<stem>.wxs -> build/samples/packages/<stem>.msi
set(SAMPLE_MSIS)
function(build_msi stem)
  file(GLOB payload ${SAMPLES}/packages/*.txt)
  set(out ${SAMPLE_OUT}/packages/${stem}.msi)
  add_custom_command(OUTPUT ${out}
    COMMAND ${WIXL} -o ${out} ${SAMPLES}/packages/${stem}.wxs
    WORKING_DIRECTORY ${SAMPLES}/packages
    DEPENDS ${SAMPLES}/packages/${stem}.wxs ${payload}
    COMMENT "wixl ${stem}.msi")
  set(SAMPLE_MSIS ${SAMPLE_MSIS} ${out} PARENT_SCOPE)
endfunction()

file(GLOB SAMPLE_WXS CONFIGURE_DEPENDS ${SAMPLES}/packages/*.wxs)
foreach(wxs ${SAMPLE_WXS})
  get_filename_component(stem ${wxs} NAME_WE)
  build_msi(${stem})
endforeach()
add_custom_target(sample_packages DEPENDS ${SAMPLE_MSIS})

# The server products each get a distribution of their own (below); the suite's keeps the rest.
set(SERVER_PRODUCT_MSIS)
foreach(stem VaradavuRadareServer VaradavuRadareIndexer VaradavuRadareLegacy VoruderaDEZ VURovizoServer
             VaruzaVuruduzOduzurServer)
  list(APPEND SERVER_PRODUCT_MSIS ${SAMPLE_OUT}/packages/${stem}.msi)
endforeach()
set(SUITE_MSIS ${SAMPLE_MSIS})
list(REMOVE_ITEM SUITE_MSIS ${SERVER_PRODUCT_MSIS})

# Bitmap 1017: the information icon the report-server page puts beside its labels.
add_custom_command(OUTPUT ${SAMPLE_OUT}/pictures/Information.bmp
  COMMAND ${IMAGEMAGICK_CONVERT} -size 16x16 xc:white -fill "#1f6fb5" -draw "circle 7.5,7.5 7.5,0.5"
          -fill white -draw "rectangle 7,6 8,12" -draw "rectangle 7,3 8,4" -type TrueColor
          BMP3:${SAMPLE_OUT}/pictures/Information.bmp
  COMMENT "information icon"
  VERBATIM)
add_custom_target(information_icon DEPENDS ${SAMPLE_OUT}/pictures/Information.bmp)

# product_resources(<short name> <header colour> <side colour>): <short>Res.dll
set(SAMPLE_RESOURCE_DLLS)
function(product_resources short top bottom)
  set(pictures ${SAMPLE_OUT}/pictures)
  add_custom_command(OUTPUT ${pictures}/${short}Header.jpg ${pictures}/${short}Side.jpg
    COMMAND ${IMAGEMAGICK_CONVERT} -size 1000x66 gradient:${top}-${bottom} -quality 90 ${pictures}/${short}Header.jpg
    COMMAND ${IMAGEMAGICK_CONVERT} -size 164x314 gradient:${bottom}-${top} -quality 90 ${pictures}/${short}Side.jpg
    COMMENT "pictures of ${short}")
  add_custom_target(${short}_pictures DEPENDS ${pictures}/${short}Header.jpg ${pictures}/${short}Side.jpg)
  add_resource_dll(${short}_resources ${short}resources ${SAMPLES}/resources/${short}.rc)
  target_include_directories(${short}_resources PRIVATE ${pictures})
  set_source_files_properties(${SAMPLES}/resources/${short}.rc PROPERTIES
    OBJECT_DEPENDS "${pictures}/${short}Header.jpg;${pictures}/${short}Side.jpg;${pictures}/Information.bmp;${SAMPLES}/resources/login_page.rc")
  add_dependencies(${short}_resources ${short}_pictures information_icon)
  set(SAMPLE_RESOURCE_DLLS ${SAMPLE_RESOURCE_DLLS} ${short}_resources PARENT_SCOPE)
endfunction()

product_resources(Rizod "#0b3d66" "#6fa8dc")
product_resources(Uvarud "#3d6b0b" "#a8dc6f")
set(SUITE_RESOURCE_DLLS ${SAMPLE_RESOURCE_DLLS})
product_resources(VaradavuRadare "#4a1d66" "#b48fdc")
product_resources(VoruderaDEZ "#0b5c5c" "#6fdcd0")
product_resources(VURovizo "#6b3d0b" "#dcaa6f")
product_resources(VaruzaVuruduzOduzur "#5c0b1d" "#dc6f86")

# build/<arch>/dist: setup.exe, culture libraries, definition, variables list, resource
# libraries (beside setup.exe for repair and uninstall runs, beside the packages for installs)
# and Packages\*.msi.
set(SETUP_DIST ${CMAKE_BINARY_DIR}/dist)
file(GLOB SETUP_SAMPLE_FILES CONFIGURE_DEPENDS ${SAMPLES}/*.xml)
file(GLOB SETUP_WORKDIR_FILES CONFIGURE_DEPENDS ${SAMPLES}/workdir/*)
set(resource_files)
foreach(t ${SUITE_RESOURCE_DLLS})
  list(APPEND resource_files $<TARGET_FILE:${t}>)
endforeach()
add_custom_target(dist ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SETUP_DIST}/Packages
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:setup> $<TARGET_FILE:progress> $<TARGET_FILE:culture_en-US>
          $<TARGET_FILE:culture_fr-CA> ${SETUP_SAMPLE_FILES} ${resource_files} ${SETUP_DIST}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${SUITE_MSIS} ${resource_files} ${SETUP_DIST}/Packages
  # The packages' folder is the products' working folder: it also holds what the finalize steps
  # copy beside an installed product (the setup program, its texts and the definition under the
  # first product's short name) and the product's own files.
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:setup> $<TARGET_FILE:culture_en-US>
          $<TARGET_FILE:culture_fr-CA> ${SAMPLES}/VariablesList.xml ${SETUP_WORKDIR_FILES} ${SETUP_DIST}/Packages
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${SAMPLES}/RizodSuite.xml ${SETUP_DIST}/Packages/Rizod.xml
  DEPENDS setup progress culture_en-US culture_fr-CA sample_packages ${SUITE_RESOURCE_DLLS} ${SETUP_SAMPLE_FILES}
          ${SETUP_WORKDIR_FILES}
  COMMENT "Laying out the sample distribution in ${SETUP_DIST}"
  VERBATIM)

# VerifySSRS.exe: our stand-in for the report server's verification tool, which the report
# manager's setup runs from its own folder; VerifySSRS.ini beside it names what it accepts.
add_executable(VerifySSRS WIN32 ${SAMPLES}/tools/VerifySSRS.cpp ${SAMPLES}/tools/verify_ssrs_rules.cpp)
target_include_directories(VerifySSRS PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(VerifySSRS PRIVATE shell32)
target_link_options(VerifySSRS PRIVATE -municode -mwindows)

# build/<arch>/products/<short>: one distribution per server product, laid out like dist with
# its own definition, resource library and packages; extra files go beside setup.exe.
set(PRODUCT_DISTS)
function(product_distribution short)
  cmake_parse_arguments(arg "" "" "PACKAGES;EXTRA;EXTRA_TARGETS" ${ARGN})
  set(out ${CMAKE_BINARY_DIR}/products/${short})
  set(msis)
  foreach(stem ${arg_PACKAGES})
    list(APPEND msis ${SAMPLE_OUT}/packages/${stem}.msi)
  endforeach()
  set(definition ${SAMPLES}/products/${short}.xml)
  add_custom_target(${short}_distribution
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}/Packages
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:setup> $<TARGET_FILE:progress>
            $<TARGET_FILE:culture_en-US> $<TARGET_FILE:culture_fr-CA> ${definition} ${SAMPLES}/VariablesList.xml
            $<TARGET_FILE:${short}_resources> ${arg_EXTRA} ${out}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${msis} $<TARGET_FILE:${short}_resources> $<TARGET_FILE:setup>
            $<TARGET_FILE:culture_en-US> $<TARGET_FILE:culture_fr-CA> ${SAMPLES}/VariablesList.xml ${definition}
            ${out}/Packages
    DEPENDS setup progress culture_en-US culture_fr-CA sample_packages ${short}_resources ${arg_EXTRA_TARGETS}
            ${definition}
    COMMENT "Laying out the ${short} distribution in ${out}"
    VERBATIM)
  set(PRODUCT_DISTS ${PRODUCT_DISTS} ${short}_distribution PARENT_SCOPE)
endfunction()

product_distribution(VaradavuRadare PACKAGES VaradavuRadareServer VaradavuRadareIndexer VaradavuRadareLegacy)
product_distribution(VoruderaDEZ PACKAGES VoruderaDEZ)
product_distribution(VURovizo PACKAGES VURovizoServer)
product_distribution(VaruzaVuruduzOduzur PACKAGES VaruzaVuruduzOduzurServer
  EXTRA $<TARGET_FILE:VerifySSRS> ${SAMPLES}/tools/VerifySSRS.ini EXTRA_TARGETS VerifySSRS)
add_custom_target(products ALL DEPENDS ${PRODUCT_DISTS})

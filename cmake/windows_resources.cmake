# The Windows resources of a program: its icon (made from the SVG the Linux
# packages use), its version and its manifest, compiled by windres and linked
# into the .exe.
find_program(ZANDREL_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(ZANDREL_ICOTOOL icotool REQUIRED)

function(zandrel_windows_resources target description)
  set(RC_NAME ${target})
  set(RC_DESCRIPTION "${description}")
  set(out ${CMAKE_CURRENT_BINARY_DIR}/resources)
  set(svg ${PROJECT_SOURCE_DIR}/packaging/icons/scalable/${target}.svg)
  set(RC_ICON ${out}/${target}.ico)
  set(RC_MANIFEST ${out}/${target}.manifest)
  add_custom_command(OUTPUT ${RC_ICON}
    COMMAND ${PROJECT_SOURCE_DIR}/packaging/windows/make_icon.sh ${svg} ${RC_ICON}
    DEPENDS ${svg} ${PROJECT_SOURCE_DIR}/packaging/windows/make_icon.sh
    COMMENT "Making ${target}.ico")
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.manifest.in ${RC_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in ${out}/${target}.rc @ONLY)
  add_custom_target(${target}_icon DEPENDS ${RC_ICON})
  add_dependencies(${target} ${target}_icon)
  set_source_files_properties(${out}/${target}.rc PROPERTIES OBJECT_DEPENDS "${RC_ICON};${RC_MANIFEST}")
  target_sources(${target} PRIVATE ${out}/${target}.rc)
endfunction()

# Renders one skin's pictures from the SVG templates beside this script:
#   cmake -DSKIN=Default -DOUT=<folder> -DWORK=<scratch folder> -DRSVG=<rsvg-convert> -P render.cmake
# The skin's colours come from <SKIN>.cmake; the file names are the ones its .ini names.
cmake_minimum_required(VERSION 3.20)
set(ART "${CMAKE_CURRENT_LIST_DIR}")
include("${ART}/${SKIN}.cmake")
file(MAKE_DIRECTORY "${OUT}" "${WORK}")

# Renders template into OUT/name.png at its own size, and name@1.5x.png and name@2x.png for
# screens at 150 % and 200 %, with the variables in scope.
function(render template name)
  file(READ "${ART}/${template}" text)
  string(CONFIGURE "${text}" svg @ONLY)
  file(WRITE "${WORK}/${name}.svg" "${svg}")
  foreach(zoom IN ITEMS 1 1.5 2)
    set(suffix "@${zoom}x")
    if(zoom STREQUAL "1")
      set(suffix "")
    endif()
    execute_process(COMMAND "${RSVG}" --format=png --zoom=${zoom} -o "${OUT}/${name}${suffix}.png" "${WORK}/${name}.svg"
                    RESULT_VARIABLE failed ERROR_VARIABLE why)
    if(failed)
      message(FATAL_ERROR "Cannot render ${name}${suffix}.png for the ${SKIN} skin: ${why}")
    endif()
  endforeach()
endfunction()

# Sets each name of `fields` from the list `values`, in the caller's scope.
macro(take fields values)
  set(_values ${values})
  set(_index 0)
  foreach(_field IN ITEMS ${fields})
    list(GET _values ${_index} ${_field})
    math(EXPR _index "${_index} + 1")
  endforeach()
endmacro()

file(READ "${ART}/logo.svg.in" logo)
string(CONFIGURE "${logo}" LOGO @ONLY)

render(background.svg.in img_Main)
if(SHARED_PICTURES)  # the title picture has a fixed name in the skin folder, not a key
  render(title.svg.in Title)
endif()
render(sizepanel.svg.in img_SizePanel)
render(progress.svg.in img_ProgressBar)
render(about.svg.in img_About)
render(splash.svg.in img_Splash)

set(STATES Normal Hover Down Disabled)

set(side_fields FACE_TOP FACE_BOTTOM BORDER GLOSS SHADOW SHIFT MARK MARK_OPACITY)
foreach(pair IN ITEMS btnUninstall:PRIMARY btnDetails:NEUTRAL btnRefresh:NEUTRAL btnSearch:NEUTRAL
                      btnSelectAll:NEUTRAL btnDelete:DANGER btnApply:PRIMARY)
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 base)
  list(GET pair 1 variant)
  foreach(state IN LISTS STATES)
    take("${side_fields}" "${SIDE_${variant}_${state}}")
    render(sidebutton.svg.in ${base}_${state})
  endforeach()
endforeach()

set(menu_fields FACE_TOP FACE_TOP_OPACITY FACE_BOTTOM FACE_BOTTOM_OPACITY BORDER BORDER_OPACITY CHEVRON
                CHEVRON_OPACITY)
foreach(base IN ITEMS btnFile btnView btnTools btnHelp)
  foreach(state IN LISTS STATES)
    take("${menu_fields}" "${MENU_${state}}")
    render(menubutton.svg.in ${base}_${state})
  endforeach()
endforeach()

set(page_fields FACE_TOP FACE_TOP_OPACITY FACE_BOTTOM FACE_BOTTOM_OPACITY BORDER BORDER_OPACITY MARK MARK_OPACITY)
foreach(pair IN ITEMS btnProgramList:146 btnStartUpItems:163)
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 base)
  list(GET pair 1 WIDTH)
  math(EXPR inner "${WIDTH} - 10")
  set(INNER_RIGHT "${inner}.5")  # the right edge, 2.5 in from the picture's, less the corner
  math(EXPR MARK_WIDTH "${WIDTH} - 24")
  foreach(state IN LISTS STATES)
    take("${page_fields}" "${PAGE_${state}}")
    render(pagebutton.svg.in ${base}_${state})
  endforeach()
endforeach()

set(title_fields FACE FACE_OPACITY INK INK_OPACITY)
set(glyph_btnMin "<path d=\"M6 14.5 H15\"/>")
set(glyph_btnClose "<path d=\"M6.5 6.5 L14.5 14.5 M14.5 6.5 L6.5 14.5\"/>")
set(glyph_btnHelpContent
    "<path d=\"M7.6 8 a2.9 2.9 0 1 1 4.3 2.5 c-1 .6 -1.4 1.1 -1.4 2.3\"/><path d=\"M10.5 16 v.2\" stroke-width=\"2.4\"/>")
foreach(base IN ITEMS btnMin btnHelpContent btnClose)
  set(GLYPH "${glyph_${base}}")
  foreach(state IN LISTS STATES)
    if(base STREQUAL "btnClose" AND DEFINED TITLE_CLOSE_${state})
      take("${title_fields}" "${TITLE_CLOSE_${state}}")
    else()
      take("${title_fields}" "${TITLE_${state}}")
    endif()
    render(titlebutton.svg.in ${base}_${state})
  endforeach()
endforeach()

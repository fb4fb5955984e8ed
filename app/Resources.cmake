# Resources of Quillscope: the committed .qrc files, the merged translations, the subset font and
# the default camera configurations next to the executable.
set(QUILLSCOPE_RESOURCE_DIR ${PROJECT_SOURCE_DIR}/resources)
set(QUILLSCOPE_GENERATED_DIR ${CMAKE_CURRENT_BINARY_DIR}/generated)

# Static libraries drop resource objects nobody references, so the compiled .qrc files live in an
# object library whose objects are linked straight into every executable that uses QuillscopeCore.
add_library(QuillscopeResources OBJECT ${QUILLSCOPE_QRC})
set_target_properties(QuillscopeResources PROPERTIES AUTORCC ON AUTOMOC OFF AUTOUIC OFF)
target_link_libraries(QuillscopeResources PRIVATE Qt6::Core)
target_link_libraries(QuillscopeCore INTERFACE "$<TARGET_OBJECTS:QuillscopeResources>")
add_dependencies(QuillscopeCore QuillscopeResources)

# Translations: every resources/translations/<area>_<lang>.ts is merged into app_<lang>.qm.
file(GLOB QUILLSCOPE_TS_zh CONFIGURE_DEPENDS ${QUILLSCOPE_RESOURCE_DIR}/translations/*_zh.ts)
file(GLOB QUILLSCOPE_TS_en CONFIGURE_DEPENDS ${QUILLSCOPE_RESOURCE_DIR}/translations/*_en.ts)
set(QUILLSCOPE_GENERATED_RESOURCES)
foreach(_lang zh en)
  set(_qm ${QUILLSCOPE_GENERATED_DIR}/app_${_lang}.qm)
  add_custom_command(OUTPUT ${_qm}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLSCOPE_GENERATED_DIR}
    COMMAND Qt6::lrelease -silent ${QUILLSCOPE_TS_${_lang}} -qm ${_qm}
    DEPENDS ${QUILLSCOPE_TS_${_lang}}
    COMMENT "Merging ${_lang} translations into app_${_lang}.qm"
    VERBATIM)
  list(APPEND QUILLSCOPE_GENERATED_RESOURCES ${_qm})
endforeach()

# Font: Noto Sans CJK SC Medium from the system, cut down to the characters our texts use.
find_file(QUILLEX_CJK_MEDIUM_FONT NAMES NotoSansCJK-Medium.ttc NotoSansCJKsc-Medium.otf
  PATHS /usr/share/fonts/opentype/noto /usr/share/fonts/opentype/noto-cjk /usr/share/fonts/noto-cjk
  DOC "Noto Sans CJK Medium font the application font is cut from")
if(NOT QUILLEX_FONT_PYTHON)
  # The interpreter on PATH may be a private one without fontTools; prefer the system one.
  foreach(_py /usr/bin/python3 python3)
    find_program(_py_path NAMES ${_py} NO_CACHE)
    if(_py_path)
      execute_process(COMMAND ${_py_path} -c "import fontTools.subset" RESULT_VARIABLE _py_rc OUTPUT_QUIET ERROR_QUIET)
      if(_py_rc EQUAL 0)
        set(QUILLEX_FONT_PYTHON ${_py_path} CACHE FILEPATH "Python interpreter with fontTools")
        break()
      endif()
    endif()
    unset(_py_path)
  endforeach()
endif()
if(QUILLEX_CJK_MEDIUM_FONT AND QUILLEX_FONT_PYTHON)
  set(_font ${QUILLSCOPE_GENERATED_DIR}/font/NotoSansSC-Medium.ttf)
  file(GLOB QUILLSCOPE_TS_ALL CONFIGURE_DEPENDS ${QUILLSCOPE_RESOURCE_DIR}/translations/*.ts)
  add_custom_command(OUTPUT ${_font}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLSCOPE_GENERATED_DIR}/font
    COMMAND ${QUILLEX_FONT_PYTHON} ${QUILLSCOPE_RESOURCE_DIR}/font/make_font_subset.py
            ${QUILLEX_CJK_MEDIUM_FONT} ${_font} ${QUILLSCOPE_TS_ALL}
    DEPENDS ${QUILLSCOPE_RESOURCE_DIR}/font/make_font_subset.py ${QUILLSCOPE_TS_ALL}
    COMMENT "Subsetting the application font"
    VERBATIM)
  list(APPEND QUILLSCOPE_GENERATED_RESOURCES ${_font})
else()
  message(WARNING "Noto Sans CJK Medium or python3-fonttools missing (scripts/install-deps): "
                  "Quillscope starts with the default font.")
endif()

qt_add_resources(QuillscopeCore quillscope_generated
  PREFIX "/"
  BASE ${QUILLSCOPE_GENERATED_DIR}
  FILES ${QUILLSCOPE_GENERATED_RESOURCES})

# Default camera configurations: <bin>/config/, where the settings look for them.
file(GLOB QUILLSCOPE_DEFAULT_CONFIGS CONFIGURE_DEPENDS ${QUILLSCOPE_RESOURCE_DIR}/config/*.json)
set(_config_outputs)
foreach(_cfg ${QUILLSCOPE_DEFAULT_CONFIGS})
  get_filename_component(_name ${_cfg} NAME)
  set(_out ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/config/${_name})
  add_custom_command(OUTPUT ${_out}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${_cfg} ${_out}
    DEPENDS ${_cfg}
    VERBATIM)
  list(APPEND _config_outputs ${_out})
endforeach()
add_custom_target(QuillscopeDefaultConfig DEPENDS ${_config_outputs})
add_dependencies(QuillscopeCore QuillscopeDefaultConfig)

# The layer check: every #include of a folder's sources must name a header
# of its own folder or of a folder below it, and only gl/ and platform/ may
# include system OpenGL headers, only platform/ those of SDL, EGL, FreeType
# and zlib or libpng. Run by the build before any library is compiled (target
# layer_check) and by hand:
#   cmake -DSOURCE_DIR=<tree> [-DSTAMP=<file>] -P cmake/layer_check.cmake
# Fails, naming every offending file and include, on an include up a layer.

# What each folder may include: folders (any header in them) or single headers.
# Every layer that writes a file may place it through platform/output_file.h
# and stop on an interruption through platform/interruption.h (POSIX only).
set(allowed_platform platform)
set(allowed_gl       gl platform)
set(allowed_core     core platform/clock.h platform/output_file.h platform/interruption.h)
set(allowed_texture  texture core)
set(allowed_music    music core platform/audio.h platform/clock.h platform/output_file.h platform/interruption.h)
set(allowed_mesh     mesh texture core platform/output_file.h)
set(allowed_scene    scene mesh texture core)
set(allowed_render   render scene mesh texture core gl platform resources)
set(allowed_app      app authoring render scene mesh texture music core gl platform resources)
# The source compilers read the kinds' tables, which hold no OpenGL; the
# show compiles a source given on its command line through them, and the
# tools' mains are thin programs over them.
set(allowed_authoring authoring scene mesh texture music core)
set(allowed_tools    tools authoring scene mesh texture music core platform/output_file.h platform/interruption.h)
set(allowed_resources resources)
set(layers platform gl core texture music mesh scene render authoring app tools resources)

set(gl_headers "^(GL|EGL)/")
set(platform_headers "^(SDL2?/|SDL|EGL/|ft2build|freetype|zlib|png)")

set(violations "")
foreach(layer ${layers})
  file(GLOB files ${SOURCE_DIR}/${layer}/*.cpp ${SOURCE_DIR}/${layer}/*.h)
  foreach(file ${files})
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include")
    file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
    foreach(line ${lines})
      if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
        set(header ${CMAKE_MATCH_1})
        set(ok FALSE)
        foreach(allowed ${allowed_${layer}})
          if(header STREQUAL allowed)
            set(ok TRUE)
          endif()
          string(FIND "${header}" "${allowed}/" at)
          if(at EQUAL 0)
            set(ok TRUE)
          endif()
        endforeach()
        if(NOT ok)
          string(APPEND violations "\n  ${name}: \"${header}\" is not in a layer below ${layer}/")
        endif()
      elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
        set(header ${CMAKE_MATCH_1})
        if(header MATCHES "${gl_headers}" AND NOT layer MATCHES "^(gl|platform)$")
          string(APPEND violations "\n  ${name}: <${header}> is OpenGL's: only gl/ and platform/ include it")
        elseif(header MATCHES "${platform_headers}" AND NOT layer STREQUAL "platform")
          string(APPEND violations "\n  ${name}: <${header}>: only platform/ includes it")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes up a layer (docs/architecture.md):${violations}")
endif()
if(STAMP)
  file(TOUCH ${STAMP})
endif()

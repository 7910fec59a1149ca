# The fuzz build uses clang, whose execution character set is UTF-8 only. So that
# every literal keeps the Shift_JIS bytes the other builds give it, each of our
# C++ sources is compiled from a copy whose non-ASCII literal text is escaped
# (tools/sjis_literals.py).
find_package(Python3 REQUIRED COMPONENTS Interpreter)

function(tamari_escape_target_sources target)
  get_target_property(type ${target} TYPE)
  if(NOT type MATCHES "STATIC_LIBRARY|EXECUTABLE")
    return()
  endif()
  get_target_property(sources ${target} SOURCES)
  get_target_property(source_dir ${target} SOURCE_DIR)
  set(escaped)
  foreach(source IN LISTS sources)
    get_filename_component(path ${source} ABSOLUTE BASE_DIR ${source_dir})
    if(path MATCHES "\\.cpp$" AND path MATCHES "^${CMAKE_SOURCE_DIR}/")
      file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${path})
      set(copy ${CMAKE_BINARY_DIR}/sjis/${relative})
      # Made at configure time (a custom command here would be invisible to
      # targets of other directories); a change to the original re-configures.
      get_filename_component(copy_dir ${copy} DIRECTORY)
      file(MAKE_DIRECTORY ${copy_dir})
      execute_process(
        COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/sjis_literals.py ${path} ${copy}
        RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR "could not escape the literals of ${path}")
      endif()
      set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${path})
      list(APPEND escaped ${copy})
    else()
      list(APPEND escaped ${source})
    endif()
  endforeach()
  set_property(TARGET ${target} PROPERTY SOURCES ${escaped})
endfunction()

function(tamari_escape_sources_below directory)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    tamari_escape_target_sources(${target})
  endforeach()
  get_property(children DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(child IN LISTS children)
    tamari_escape_sources_below(${child})
  endforeach()
endfunction()

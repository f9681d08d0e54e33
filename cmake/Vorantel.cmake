# Shared build helpers.

# Resources live in an object library so that their static initialisers are
# linked into every executable without Q_INIT_RESOURCE calls.
function(vorantel_link_resources target)
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:vorantel_resources>)
endfunction()

# vorantel_add_executable(name SOURCES ... LIBS ...)
function(vorantel_add_executable name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    vorantel_link_resources(${name})
endfunction()

# QML files compiled when the program is built. The engine then takes each file's
# compiled unit from the program, by its resource path, instead of compiling the file on
# the first start after every install or upgrade (Qt keys its cache of compiled files on
# the program's time stamp). The files themselves stay in the resources, under the same
# paths.
#
#   tessivar_compile_qml(<target> NAME <name> BASE <folder> FILES <paths relative to BASE>...)
#
# Paths that do not end in ".qml" are skipped. The units register themselves with the QML
# engine from a static constructor; out of a static library they are linked only when
# referenced: the code that loads the QML calls Q_INIT_RESOURCE(<name>), from the global
# namespace.
function(tessivar_compile_qml target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "NAME;BASE" "FILES")
    set(folder ${CMAKE_CURRENT_BINARY_DIR}/${arg_NAME})
    set(sources)
    set(resource_paths)
    foreach(file IN LISTS arg_FILES)
        if(NOT file MATCHES "\\.qml$")
            continue()
        endif()
        string(MAKE_C_IDENTIFIER ${file} identifier)
        set(output ${folder}/${identifier}.cpp)
        # Byte code only: the types these files use are registered from C++ at run time,
        # so there is nothing to compile to C++ against at build time.
        add_custom_command(OUTPUT ${output}
            COMMAND Qt6::qmlcachegen --only-bytecode --resource-path /${file} -o ${output} ${arg_BASE}/${file}
            DEPENDS ${arg_BASE}/${file} Qt6::qmlcachegen
            COMMENT "Compiling QML /${file}"
            VERBATIM)
        list(APPEND sources ${output})
        list(APPEND resource_paths /${file})
    endforeach()

    set(list_file ${folder}/${arg_NAME}.rsp)
    list(JOIN resource_paths "\n" list_text)
    file(GENERATE OUTPUT ${list_file} CONTENT "${list_text}\n")
    # qmlcachegen writes the loader when the output's name ends so.
    set(loader ${folder}/${arg_NAME}_qmlcache_loader.cpp)
    add_custom_command(OUTPUT ${loader}
        COMMAND Qt6::qmlcachegen --resource-name ${arg_NAME} -o ${loader} @${list_file}
        DEPENDS ${list_file} Qt6::qmlcachegen
        COMMENT "Listing the compiled QML of ${target}"
        VERBATIM)
    target_sources(${target} PRIVATE ${sources} ${loader})
    target_link_libraries(${target} PRIVATE Qt6::Qml)
endfunction()

# Warnings and sanitizers for every target of the project.
add_compile_options(-Wall -Wextra)
if(TESSIVAR_WERROR)
    add_compile_options(-Werror)
endif()
if(TESSIVAR_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
add_compile_definitions(QT_MESSAGELOGCONTEXT)
# signals/slots/emit are plain words elsewhere (and macros in some libraries): the
# project writes Q_SIGNALS, Q_SLOTS and Q_EMIT.
add_compile_definitions(QT_NO_KEYWORDS)

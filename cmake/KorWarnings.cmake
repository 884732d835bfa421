# Warnings for every target of the project; CI turns them into errors.
add_compile_options(-Wall -Wextra)
if(KOR_WERROR)
    add_compile_options(-Werror)
endif()

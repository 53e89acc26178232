# b links a but not c.
set(E3_TARGETS a b c)
set(E3_FOLDER_a src/lib/a)
set(E3_LINKS_a )
set(E3_FOLDER_b src/lib/b)
set(E3_LINKS_b a)
set(E3_FOLDER_c src/lib/c)
set(E3_LINKS_c )

# folian_embed_files(<target> <symbol-prefix> <files...>)
# Compiles data files into the binary as byte arrays, so rule tables stay
# readable text in data/ and need no files at run time.
function(folian_embed_files target prefix)
  set(out_dir ${CMAKE_BINARY_DIR}/generated/embedded)
  file(MAKE_DIRECTORY ${out_dir})
  set(sources)
  foreach(f IN LISTS ARGN)
    get_filename_component(name ${f} NAME)
    string(MAKE_C_IDENTIFIER "${prefix}_${name}" sym)
    set(out ${out_dir}/${sym}.cc)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -DIN=${f} -DOUT=${out} -DSYM=${sym}
              -P ${CMAKE_SOURCE_DIR}/cmake/EmbedFile.cmake
      DEPENDS ${f} ${CMAKE_SOURCE_DIR}/cmake/EmbedFile.cmake
      COMMENT "Embedding ${name}")
    list(APPEND sources ${out})
  endforeach()
  target_sources(${target} PRIVATE ${sources})
  # A custom command only drives targets of its own directory; when called
  # from another one (data/), a custom target carries the generation step.
  set(embed_target ${target}_embed_${prefix})
  add_custom_target(${embed_target} DEPENDS ${sources})
  add_dependencies(${target} ${embed_target})
endfunction()

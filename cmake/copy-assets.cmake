# Copies the asset folders that exist into the module directory; the sources
# and scripts that produce assets stay behind.
# Usage: cmake -DSRC=assets -DDST=bin -P copy-assets.cmake
foreach(folder xml skins fonts lang Manuals)
  file(MAKE_DIRECTORY ${DST}/${folder})
  if(IS_DIRECTORY ${SRC}/${folder})
    file(COPY ${SRC}/${folder}/ DESTINATION ${DST}/${folder} PATTERN ".gitkeep" EXCLUDE
         PATTERN "*.sh" EXCLUDE PATTERN "src" EXCLUDE)
  endif()
endforeach()

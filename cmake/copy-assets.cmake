# Copies the asset folders that exist into the module directory.
# Usage: cmake -DSRC=assets -DDST=bin -P copy-assets.cmake
foreach(folder xml skins fonts lang Manuals)
  file(MAKE_DIRECTORY ${DST}/${folder})
  if(IS_DIRECTORY ${SRC}/${folder})
    file(COPY ${SRC}/${folder}/ DESTINATION ${DST}/${folder} PATTERN ".gitkeep" EXCLUDE)
  endif()
endforeach()

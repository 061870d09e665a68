# Copies the Windows build's Stub1.dat into the Linux products, if it exists.
if(EXISTS "${SRC}")
  get_filename_component(dir "${DST}" DIRECTORY)
  file(MAKE_DIRECTORY "${dir}")
  file(COPY_FILE "${SRC}" "${DST}" ONLY_IF_DIFFERENT)
endif()

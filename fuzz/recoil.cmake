# Recoil (shoot) files: the user's own and files offered for import.
if(TARGET tessel_macros)
  tessel_add_fuzz(recoil_file SOURCES recoil_file_fuzz.cpp LIBS tessel_macros)
endif()

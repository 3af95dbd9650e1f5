# Macro event files (the library's own and files offered for import).
if(TARGET tessel_macros)
  tessel_add_fuzz(macro_file SOURCES macro_file_fuzz.cpp LIBS tessel_macros)
endif()
# Event lines of "tesselctl macro add".
if(TARGET tessel_macros)
  tessel_add_fuzz(macro_event_text SOURCES macro_event_text_fuzz.cpp LIBS tessel_macros)
endif()

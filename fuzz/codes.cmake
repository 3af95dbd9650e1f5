# Button values as text (tesselctl set ... button.N=VALUE).
if(TARGET tessel_config)
  tessel_add_fuzz(function_code_text SOURCES function_code_text_fuzz.cpp LIBS tessel_config)
endif()

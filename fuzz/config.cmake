# Configuration documents: device documents through every section reader, the
# light-mode list, the light-effect library and light sequence files.
if(TARGET tessel_config)
  tessel_add_fuzz(config_document SOURCES config_document_fuzz.cpp LIBS tessel_config)
  tessel_add_fuzz(light_modes SOURCES light_modes_fuzz.cpp LIBS tessel_config)
  tessel_add_fuzz(light_library SOURCES light_library_fuzz.cpp LIBS tessel_config)
  tessel_add_fuzz(light_sequence SOURCES light_sequence_fuzz.cpp LIBS tessel_config)
endif()

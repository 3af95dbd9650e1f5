# Profile lists and files offered for import.
if(TARGET tessel_profiles)
  tessel_add_fuzz(profile_list SOURCES profile_list_fuzz.cpp LIBS tessel_profiles)
  tessel_add_fuzz(profile_import SOURCES profile_import_fuzz.cpp LIBS tessel_profiles)
endif()

# The update service's answers and the last-check file.
if(TARGET tessel_services)
  tessel_add_fuzz(update_response SOURCES update_response_fuzz.cpp LIBS tessel_services)
  tessel_add_fuzz(update_time SOURCES update_time_fuzz.cpp LIBS tessel_services)
endif()

# SANITIZE=ON (or address) builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer; SANITIZE=thread with ThreadSanitizer.
set(SANITIZE OFF CACHE STRING "Sanitizers: OFF, ON or address (address and undefined behaviour), thread")
set_property(CACHE SANITIZE PROPERTY STRINGS OFF ON address thread)
if(SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=thread)
elseif(SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()

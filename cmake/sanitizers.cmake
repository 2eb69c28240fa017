# SANITIZE=ON builds everything with AddressSanitizer and UndefinedBehaviorSanitizer.
option(SANITIZE "Build with address and undefined-behaviour sanitizers" OFF)
if(SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()

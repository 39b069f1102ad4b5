# The parameter page. Kept apart from the params library so the page host,
# which shows the page, and the params library, which serves it, do not
# depend on each other in a circle.
if(NOT TARGET zembra_params_page)
  add_library(zembra_params_page STATIC
    ${CMAKE_SOURCE_DIR}/params/BasicParam.cpp
    ${CMAKE_SOURCE_DIR}/params/BasicParam.h)
  target_link_libraries(zembra_params_page PUBLIC zembra_pagehost zembra_platform Qt6::Widgets)
endif()

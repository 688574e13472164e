# morvane_embed_version_resource(<target>
#     [TYPE app|dll] [FILE_VERSION <v>] [PRODUCT_VERSION <v>]
#     [COMPANY <text>] [PRODUCT_NAME <text>] [DESCRIPTION <text>] [COMMENTS <text>]
#     [COPYRIGHT <text>] [TRADEMARKS <text>] [INTERNAL_NAME <text>] [ORIGINAL_FILENAME <text>]
#     [PRIVATE_BUILD <text>] [SPECIAL_BUILD <text>])
#
# Generates the target's version resource at build time and links it into the ELF section in which
# the About box finds it. Versions default to the project's, the company to KOVA, the product name
# to the project's name, the internal and original file names to the target's file name.
# A string left empty is left out of the resource.
function(morvane_embed_version_resource target)
  set(strings COMMENTS COMPANY DESCRIPTION INTERNAL_NAME COPYRIGHT TRADEMARKS ORIGINAL_FILENAME
              PRIVATE_BUILD PRODUCT_NAME SPECIAL_BUILD)
  cmake_parse_arguments(PARSE_ARGV 1 V "" "TYPE;FILE_VERSION;PRODUCT_VERSION;${strings}" "")
  if(V_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "morvane_embed_version_resource: unknown arguments ${V_UNPARSED_ARGUMENTS}")
  endif()

  foreach(version FILE_VERSION PRODUCT_VERSION)
    if(NOT DEFINED V_${version})
      set(V_${version} "${CMAKE_PROJECT_VERSION}")
    endif()
    # Four fields, as the fixed information holds them and as the version strings show them.
    string(REPLACE "." ";" fields "${V_${version}}")
    list(LENGTH fields count)
    while(count LESS 4)
      string(APPEND V_${version} ".0")
      math(EXPR count "${count} + 1")
    endwhile()
  endforeach()
  if(NOT DEFINED V_TYPE)
    get_target_property(kind ${target} TYPE)
    if(kind STREQUAL "EXECUTABLE")
      set(V_TYPE app)
    else()
      set(V_TYPE dll)
    endif()
  endif()
  if(NOT DEFINED V_COMPANY)
    set(V_COMPANY "KOVA")
  endif()
  if(NOT DEFINED V_PRODUCT_NAME)
    set(V_PRODUCT_NAME "${CMAKE_PROJECT_NAME}")
  endif()
  foreach(name INTERNAL_NAME ORIGINAL_FILENAME)
    if(NOT DEFINED V_${name})
      set(V_${name} "$<TARGET_FILE_NAME:${target}>")
    endif()
  endforeach()

  set(resource_names
    COMMENTS Comments COMPANY CompanyName DESCRIPTION FileDescription FILE_VERSION FileVersion
    INTERNAL_NAME InternalName COPYRIGHT LegalCopyright TRADEMARKS LegalTrademarks
    ORIGINAL_FILENAME OriginalFileName PRIVATE_BUILD PrivateBuild PRODUCT_NAME ProductName
    PRODUCT_VERSION ProductVersion SPECIAL_BUILD SpecialBuild)
  set(string_arguments)
  while(resource_names)
    list(POP_FRONT resource_names keyword name)
    if(NOT "${V_${keyword}}" STREQUAL "")
      list(APPEND string_arguments "${name}=${V_${keyword}}")
    endif()
  endwhile()

  set(source "${CMAKE_CURRENT_BINARY_DIR}/${target}_version_resource.cpp")
  add_custom_command(
    OUTPUT "${source}"
    COMMAND morvane_version_resource_gen "${source}" ${V_TYPE} ${V_FILE_VERSION} ${V_PRODUCT_VERSION}
            ${string_arguments}
    DEPENDS morvane_version_resource_gen
    COMMENT "Generating the version resource of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE "${source}")
endfunction()

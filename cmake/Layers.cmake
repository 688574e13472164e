# The program's libraries, lowest layer first: each may use only what its row names (libraries of
# rows above it, which bring what they may use in turn, and single headers of another folder).
# tests/layers/ checks every library's includes against this table, and the README shows it.
#   library                    folder                 may use                                           Qt
set(MORVANE_LAYERS
  "morvane_platform          platform/             -                                                   no"
  "morvane_version_resource  platform/             morvane_platform                                    no"
  "morvane_platform_gui      platform/             -                                                   yes"
  "morvane_mysql_wire        wire/                 -                                                   no"
  "morvane_dataset           dataset/              morvane_platform,wire/MySqlField.h                  no"
  "morvane_mysql_driver      driver/               morvane_mysql_wire,morvane_dataset                  no"
  "morvane_data_components   components/           morvane_mysql_driver                                no"
  "morvane_controls_model    controls/             morvane_platform                                    no"
  "morvane_controls          controls/             morvane_controls_model                              yes"
  "morvane_gradient          controls/             morvane_controls_model                              yes"
  "morvane_dbcontrols        controls/             morvane_dataset                                     yes"
  "morvane_fonts             controls/             -                                                   yes"
  "morvane_version_info      about/                morvane_version_resource                            no"
  "morvane_about             about/                morvane_version_info,morvane_gradient,morvane_fonts yes"
  "morvane_shell             app/                  morvane_platform                                    no"
  "morvane_app               app/                  morvane_shell,morvane_controls,morvane_dbcontrols,morvane_about,morvane_data_components,morvane_platform_gui yes"
  "morvane_batch_output      tools/morvane-query/  morvane_mysql_wire                                  no"
  "morvane_query_dataset     tools/morvane-query/  morvane_batch_output,morvane_data_components        no"
)

# Splits a row into <prefix>_LIBRARY, _FOLDER, _USES (a list) and _QT.
function(morvane_layer_row row prefix)
  string(REGEX REPLACE " +" ";" fields "${row}")
  list(GET fields 0 library)
  list(GET fields 1 folder)
  list(GET fields 2 uses)
  list(GET fields 3 qt)
  if(uses STREQUAL "-")
    set(uses "")
  endif()
  string(REPLACE "," ";" uses "${uses}")
  set(${prefix}_LIBRARY ${library} PARENT_SCOPE)
  set(${prefix}_FOLDER ${folder} PARENT_SCOPE)
  set(${prefix}_USES "${uses}" PARENT_SCOPE)
  set(${prefix}_QT ${qt} PARENT_SCOPE)
endfunction()

# Packs every .jpg of FOLDER, in name order, into the numbered image store OUT with BWTOOL.
file(GLOB images "${FOLDER}/*.jpg")
list(SORT images)
if(NOT images)
  message(FATAL_ERROR "no images in ${FOLDER}")
endif()
execute_process(COMMAND "${BWTOOL}" store pack-images "${OUT}" ${images}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "packing ${FOLDER} into ${OUT} failed")
endif()

# cmake -DOUT=FILE -DFIRST=A -DSECOND=B -P join_sources.cmake: writes A and then B into
# OUT (a plan shape followed by the subroutines it calls).
file(READ "${FIRST}" first)
file(READ "${SECOND}" second)
file(WRITE "${OUT}" "${first}${second}")

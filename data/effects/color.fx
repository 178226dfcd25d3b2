// Loaded with the effect set, but no pass draws with it and none gives it anything, so it
// declares nothing: drawn, it would paint a mid grey.
.vertex
vs_3_0
dcl_position v0
dcl_texcoord v1
dcl_position o0
dcl_texcoord o1
mov o0, v0
mov o1, v1

.pixel
ps_3_0
def c0, 0.5, 0.5, 0.5, 1.0
mov oC0, c0

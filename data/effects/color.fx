// Loaded with the effect set for pictures that want a plain copy of an image; the
// painting passes do not draw with it.
.param ps alpha c0 1
.sampler ps texSampler0 s0

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
dcl_texcoord v0.xy
dcl_2d s0
texld oC0, v0, s0

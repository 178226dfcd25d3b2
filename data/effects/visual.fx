// The two-texture cross-fade the engine uses everywhere: alpha 0 shows texSampler0,
// alpha 1 shows texSampler1. The display, the signature and the form and facture blends
// all draw with it.
.param ps alpha c0 1
.param ps beta c1 1
.sampler ps texSampler0 s0
.sampler ps texSampler1 s1

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
dcl_2d s1
texld r0, v0, s0
texld r1, v0, s1
lrp oC0, c0.x, r1, r0

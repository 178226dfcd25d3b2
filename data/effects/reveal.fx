// The screen during a reveal: the new painting (slot 1) laid over the old one (slot 0)
// wherever the reveal (alpha, 0 to 1) has passed the moment that pixel is painted, over
// a fiftieth of the reveal, so that each stroke's leading edge is soft. The moments come
// from the reveal plan (slot 2, in its alpha; in its colour the painting as small as the
// plan), drawn at a lower resolution and magnified with linear filtering. A pixel lighter
// than the painting around it comes a little later, a darker one a little earlier, so
// that the edges are ragged along the painting's own marks. The old image repeats tile
// times across and down: once for a painting, many times for the bare canvas the first
// painting covers.
.param ps alpha c0 1
.param ps tile c1 4
.sampler ps texSampler0 s0
.sampler ps texSampler1 s1
.sampler ps texSampler2 s2

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
def c10, 50.0, 1.0, 0.98, 0.05
def c11, 0.299, 0.587, 0.114, 0.0
dcl_texcoord v0.xy
dcl_2d s0
dcl_2d s1
dcl_2d s2
texld r1, v0, s1
texld r4, v0, s2
add r5.xyz, r1, -r4
dp3 r5.x, r5, c11
mad r1.w, r5.x, c10.w, r4.w
min r1.w, r1.w, c10.z
mul r0.xy, v0.xy, c1.xy
frc r0.xy, r0.xy
texld r0, r0, s0
add r2.x, c0.x, -r1.w
mul_sat r2.x, r2.x, c10.x
lrp r3.xyz, r2.x, r1, r0
mov r3.w, c10.y
mov oC0, r3

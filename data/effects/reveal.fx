// The screen during a reveal: the new painting (slot 1, as the reveal plan left it, with
// the moment each pixel is painted in its alpha) laid over the old one (slot 0) wherever
// the reveal (alpha, 0 to 1) has passed that moment, over a fiftieth of the reveal, so
// that each stroke's leading edge is soft. The old image repeats tile times across and
// down: once for a painting, many times for the bare canvas the first painting covers.
.param ps alpha c0 1
.param ps tile c1 4
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
def c10, 50.0, 1.0, 0.0, 0.0
dcl_texcoord v0.xy
dcl_2d s0
dcl_2d s1
texld r1, v0, s1
mul r0.xy, v0.xy, c1.xy
frc r0.xy, r0.xy
texld r0, r0, s0
add r2.x, c0.x, -r1.w
mul_sat r2.x, r2.x, c10.x
lrp r3.xyz, r2.x, r1, r0
mov r3.w, c10.y
mov oC0, r3

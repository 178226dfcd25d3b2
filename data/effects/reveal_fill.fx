// The second step of a reveal's plan, once for each new painting: the painting (slot 0)
// with, in alpha, the moments of its plan (slot 1, drawn at half the width and height and
// read with linear filtering: moments, not colours, are interpolated, so the edges
// between strokes stay smooth lines). Each moment is moved by the pixel's own detail: a
// pixel lighter than the plan's half-size painting around it comes up to 0.05 later, a
// darker one earlier, so that leading edges are ragged along the painting's own marks.
// No moment comes after 0.98, so every pixel has arrived when the reveal ends.
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
def c10, 0.299, 0.587, 0.114, 0.0
// the detail's weight, the latest moment
def c11, 0.05, 0.98, 0.0, 0.0
dcl_texcoord v0.xy
dcl_2d s0
dcl_2d s1
texld r0, v0, s0
texld r1, v0, s1
add r2.xyz, r0, -r1
dp3 r2.x, r2, c10
mad r0.w, r2.x, c11.x, r1.w
min r0.w, r0.w, c11.y
mov oC0, r0

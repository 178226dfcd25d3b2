// Turns a plan's soft shape into a silhouette: the coverage is steepened around its
// middle by s, and the depth is darkened along the new outline so the form reads as a
// figure against the ground.
.param ps s c0 1
.param ps layer c1 1
.param ps atr1 c2 4
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
def c10, 0.5, 1.0, 0.0, 4.0
dcl_texcoord v0.xy
dcl_2d s0
texld r0, v0, s0
// coverage (r - 0.5) * (1 + 4 |s|) + 0.5
abs r1.x, c0.x
mad r1.x, r1.x, c10.w, c10.y
add r2.x, r0.x, -c10.x
mad_sat r3.x, r2.x, r1.x, c10.x
// outline: 1 - |2 r - 1| is 1 on the old middle line
mad r4.x, r0.x, c10.w, -c10.w
mul r4.x, r4.x, c10.x
abs r4.x, r4.x
add r4.x, c10.y, -r4.x
mad r3.y, r4.x, -c10.x, r0.y
mov r3.zw, r0
mov oC0, r3

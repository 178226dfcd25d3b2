// Turns a plan's soft shape into a silhouette: the coverage is steepened around its
// middle by s, never so far that the outline gets narrower than two pixels (which would
// show stair steps), and the depth is lowered along the outline so the form reads as a
// figure against the ground. The shape's channels: coverage, colour u, colour v, depth.
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
def c11, 0.45, 0.0001, 0.3, 0.0
dcl_texcoord v0.xy
dcl_2d s0
texld r0, v0, s0
// steepening 1 + 4 |s|, at most so much that coverage climbs 0.45 a pixel
abs r1.x, c0.x
mad r1.x, r1.x, c10.w, c10.y
dsx r2.x, r0.x
dsy r2.y, r0.x
abs r2.xy, r2.xy
add r2.x, r2.x, r2.y
max r2.x, r2.x, c11.y
rcp r2.x, r2.x
mul r2.x, r2.x, c11.x
max r2.x, r2.x, c10.y
min r1.x, r1.x, r2.x
add r2.x, r0.x, -c10.x
mad_sat r3.x, r2.x, r1.x, c10.x
// outline: 1 - |2 r - 1| is 1 on the old middle line
mad r4.x, r0.x, c10.w, -c10.w
mul r4.x, r4.x, c10.x
abs r4.x, r4.x
add r4.x, c10.y, -r4.x
mad_sat r3.w, r4.x, -c11.z, r0.w
mov r3.yz, r0.yyzw
mov oC0, r3

// A plan shaped as a gesture: a main brush stroke with a companion laid beside it and a
// third stroke of its own, each bowed, tapering to its tail and loaded where the brush
// landed, melted together where they meet, in a gently warped space. The animation
// values choose where the strokes lie, how long, broad and bent they are, and how dry
// the main stroke's tail runs. Out: coverage, the colour coordinates, depth.
.param ps atr1 c0 4
.param ps f1 c1 4
.param ps f2 c2 4
.param ps f3 c3 4
.param ps f4 c4 4
.param ps layer c5 1
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
def c10, 0.5, 1.0, 0.0, 2.0
def c11, 0.159155, 6.283185, -3.141593, 17.0
def c12, 2.3, 5.2, 1.3, 0.07
def c13, 0.7, 0.15, 0.35, 0.055
def c14, 0.03, 2.5, 0.7, 0.45
def c15, 1.9, 0.06, 0.6, 0.05
def c16, 0.1, 0.8, 0.08, 0.3
def c17, 0.02, 0.045, 4.0, 0.035
def c18, 4.0, 9.0, 0.05, 0.012
def c19, 0.37, 0.3, 0.4, 0.25
def c27, 0.3, 0.55, 0.03, 0.0
dcl_texcoord v0.xy
// the point, with x stretched by the screen's aspect so that circles stay round
dsx r0.x, v0.x
dsy r0.y, v0.y
abs r0.xy, r0.xy
rcp r0.z, r0.x
mul r0.z, r0.z, r0.y             // aspect
mov r0.w, r0.y                   // one pixel
mul r1.x, v0.x, r0.z
mov r1.y, v0.y
// a slow warp of space from two smooth noises
mul r3.xy, c4.zw, c11.w
mad r20.xy, r1.xy, c12.x, r3.xy
call l0
mov r2.x, r21.x
add r20.xy, r20.xy, c12.yz
call l0
mov r2.y, r21.x
add r2.xy, r2.xy, -c10.x
mad r9.xy, r2.xy, c12.w, r1.xy
// the main stroke: middle 0.15 + 0.7 f2.xy, direction 2 pi f2.z, half length 0.15 +
// 0.35 f2.w, half width 0.02 + 0.055 f3.y, bend 2.5 (f3.x - 0.5), load 0.45
mad r11.xy, c2.xy, c13.x, c13.y
mul r11.x, r11.x, r0.z
mad r3.x, c2.z, c11.y, c11.z
sincos r4.xy, r3.x
mov r11.zw, r4.xxxy
mad r12.x, c2.w, c13.z, c13.y
mad r12.y, c3.y, c13.w, c17.x
add r12.z, c3.x, -c10.x
mul r12.z, r12.z, c14.y
mov r12.w, c14.z
mov r13.x, c14.w
call l2
mov r19.x, r14.x
mov r5.xyz, r14.yzx              // along, across and distance of the main stroke
// its companion, beside it: 1.9 half widths + 0.06 f3.z away, slid by (f3.w - 0.5)
// half lengths, shorter and narrower
mul r6.xy, r11.wz, c23.xy
mad r6.z, c3.z, c15.y, c10.z
mad r6.z, r12.y, c15.x, r6.z
mad r11.xy, r6.xy, r6.z, r11.xy
add r6.w, c3.w, -c10.x
mul r6.w, r6.w, r12.x
mad r11.xy, r11.zw, r6.w, r11.xy
mad r7.x, c3.w, c10.x, c10.x
mul r12.x, r12.x, r7.x
mad r7.y, c3.z, c10.x, c15.z
mul r12.y, r12.y, r7.y
call l2
mov r19.w, c15.w
call l3
// a third stroke of its own: middle 0.1 + 0.8 f1.xy, direction 2 pi f1.z, half length
// 0.08 + 0.3 f1.w, half width 0.02 + 0.045 f4.x, bend 4 (f4.z - 0.5)
mad r11.xy, c1.xy, c16.y, c16.x
mul r11.x, r11.x, r0.z
mad r3.x, c1.z, c11.y, c11.z
sincos r4.xy, r3.x
mov r11.zw, r4.xxxy
mad r12.x, c1.w, c16.w, c16.z
mad r12.y, c4.x, c17.y, c17.x
add r12.z, c4.z, -c10.x
mul r12.z, r12.z, c17.z
mov r12.w, c14.z
mov r13.x, c10.x
call l2
mov r19.w, c17.w
call l3
// a dry tail: bristle streaks along the main stroke open its last third
mul r20.x, r5.x, c18.x
mul r20.y, r5.y, c18.y
call l0
add r21.x, r21.x, -c10.x
mul r3.x, r5.x, r5.x
mul r3.x, r3.x, r5.x
mad_sat r3.y, -r5.z, c11.w, c10.y          // only near the main stroke
mul r3.x, r3.x, r3.y
mul r3.x, r3.x, c18.z
mad r19.x, r21.x, r3.x, r19.x
// the outline: crisp, ragged by 0.012 + 0.02 f4.y
mov r19.y, r0.w
mad r19.z, c4.y, c14.x, c18.w
// colour: a region of the colour image 0.37 of a screen height across, from a corner set
// by f4.w, f3.z and the plan's place in the stack
mad r8.xy, c4.wz, c19.z, c19.y
mad r8.xy, c5.x, c19.x, r8.xy
frc r8.xy, r8.xy
mad r8.xy, r8.xy, c27.xy, c27.z
mov r8.z, c19.x
call l4
mov oC0, r10
ret

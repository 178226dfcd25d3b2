// A plan shaped as a quiet field of colour: a rounded block, sometimes with a second
// block stacked above or below it and melted into it, its edges feathered and frayed by
// noise stretched along the brush's horizontal sweeps. The animation values set the
// blocks' places, sizes, corners and tilt. Out: coverage, the colour coordinates, depth.
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
def c12, 2.3, 5.2, 1.3, 0.04
def c13, 0.2, 0.6, 0.08, 0.36
def c14, 0.07, 0.33, 0.02, 0.06
def c15, 0.8, 0.0, 2.5, 22.0
def c16, 0.015, 0.05, 0.01, 0.03
def c17, 0.25, 0.5, 0.08, 0.3
def c19, 0.37, 0.3, 0.4, 0.5
def c27, 0.3, 0.45, 0.03, 0.0
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
// the block: middle (0.2 + 0.6 f2.xy), half size (0.08 + 0.36 f2.z) across and
// (0.07 + 0.33 f2.w) up, so as often upright as lying, corners 0.02 + 0.06 f3.x,
// tilted by 0.8 (f3.y - 0.5)
mad r11.xy, c2.xy, c13.y, c13.x
mul r11.x, r11.x, r0.z
mad r12.x, c2.z, c13.w, c13.z
mul r12.x, r12.x, r0.z
mad r12.y, c2.w, c14.y, c14.x
mad r12.z, c3.x, c14.w, c14.z
add r3.x, c3.y, -c10.x
mul r3.x, r3.x, c15.x
sincos r4.xy, r3.x
add r3.xy, r9.xy, -r11.xy
dp2add r5.x, r3, r4.xy, c10.z
mul r4.zw, r4.xxyx, c23.xxxy
dp2add r5.y, r3, r4.zw, c10.z
call l5
mov r19.x, r14.x
// a second block when f3.z is above 0.5, on one side or the other (f1.x) with a gap of
// 0.03 f3.w: stacked above or below, as wide, 0.07 + 0.33 f4.w high (f1.y under 0.5), or
// beside it, as high, 0.08 + 0.3 f4.w of the height wide
mad r6.x, c1.x, c10.w, -c10.y
cmp r6.x, r6.x, c10.y, -c10.y
mad r6.y, c4.w, c14.y, c14.x
add r6.z, r12.y, r6.y
mad r6.z, c3.w, c16.w, r6.z
mul r6.z, r6.z, r6.x
mad r7.x, c4.w, c17.w, c17.z
mul r7.x, r7.x, r0.z
add r7.y, r12.x, r7.x
mad r7.y, c3.w, c16.w, r7.y
mul r7.y, r7.y, r6.x
add r7.w, c1.y, -c10.x
cmp r13.x, r7.w, r7.y, c10.z
cmp r13.y, r7.w, c10.z, r6.z
cmp r12.x, r7.w, r7.x, r12.x
cmp r12.y, r7.w, r12.y, r6.y
add r5.xy, r5.xy, -r13.xy
call l5
add r6.w, c3.z, -c10.x
cmp r14.x, r6.w, r14.x, c10.y
mov r19.w, c16.z
call l3
// the outline: feathered by 0.015 + 0.05 f4.x, frayed along the sweeps
mad r19.y, c4.x, c16.y, c16.x
mov r20.x, r9.x
mul r20.x, r20.x, c15.z
mul r20.y, r9.y, c15.w
call l0
add r21.x, r21.x, -c10.x
mad r19.x, r21.x, c16.w, r19.x
mad r19.z, c4.y, c16.z, c16.x
// colour: a region of the colour image 0.5 of a screen height across, from a corner
// set by f4.w, f3.z and the plan's place in the stack
mad r8.xy, c4.wz, c19.z, c19.y
mad r8.xy, c5.x, c19.x, r8.xy
frc r8.xy, r8.xy
mad r8.xy, r8.xy, c27.xy, c27.z
mov r8.z, c19.w
call l4
mov oC0, r10
ret

// l5: a rounded box. In: r5.xy the point in the box's frame, r12.xy its half size, r12.z
// the corners' radius. Out: r14.x the signed distance.
label l5
abs r22.xy, r5.xy
add r22.xy, r22.xy, -r12.xy
add r22.xy, r22.xy, r12.z
max r23.xy, r22.xy, c10.z
dp2add r23.z, r23, r23, c10.z
max r23.z, r23.z, c24.x
rsq r23.z, r23.z
rcp r23.z, r23.z
max r23.w, r22.x, r22.y
min r23.w, r23.w, c10.z
add r23.z, r23.z, r23.w
add r14.x, r23.z, -r12.z
ret

// A plan shaped as land under a sky: everything below a horizon that wanders by smooth
// noise, tilts and bows, often with a far shore across the water above it, and often a
// mass in front risen from it (a knoll, a stand of trees) at one of the thirds. Now and
// then there is no horizon at all and the mass stands alone. The animation values set
// the horizons' heights, how far they wander and how fast, their tilt and bow, and the
// mass's place and size. Out: coverage, the colour coordinates, depth.
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
def c12, 2.3, 5.2, 1.3, 0.05
def c13, 0.25, 0.5, 0.1, 0.26
def c14, 1.2, 3.5, 40.0, 0.5
def c15, 0.04, 0.16, 0.3, 0.44
def c16, 0.006, 0.02, 0.003, 0.012
def c19, 0.37, 0.3, 0.4, 0.45
def c27, 0.3, 0.5, 0.03, 0.0
def c17, 0.8, 0.3, 0.65, 0.3
def c18, 0.1, 0.18, 0.03, 0.06
def c6, 0.3333, 0.3333, 0.15, 0.1
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
// the horizon: 0.25 + 0.5 f2.x, wandering by 0.1 + 0.26 f2.y over noise of 1.2 +
// 3.5 f2.z waves a screen
mad r3.x, c2.z, c14.y, c14.x
mul r20.x, r9.x, r3.x
mul r20.y, c2.w, c14.z
call l1
add r29.x, r29.x, -c10.x
mad r3.y, c2.y, c13.w, c13.z
mad r4.x, c2.x, c13.y, c13.x
mad r4.x, r29.x, r3.y, r4.x
// and tilted by up to 0.22 of the height across the screen either way (f1.x), about
// the middle, so that land rises to one side as often as it lies level
add r3.w, c1.x, -c10.x
mul r3.w, r3.w, c15.w
mul r4.w, r0.z, c10.x
add r4.w, r9.x, -r4.w
rcp r4.y, r0.z
mul r3.w, r3.w, r4.y             // the tilt's slope
mad r4.x, r4.w, r3.w, r4.x
// and bowed: up to 0.2 of the height at the sides, as a hill or a bay (f1.y)
mul r6.x, r4.w, r4.w
add r6.y, c1.y, -c10.x
mul r6.y, r6.y, c17.x
mad r4.x, r6.x, r6.y, r4.x
// land lies below it: the distance is the height above the horizon, steadied where the
// horizon climbs steeply
add r19.x, r9.y, -r4.x
mul r4.y, r3.y, r3.x
mad r4.y, r4.y, r4.y, c10.y
mad r4.y, r3.w, r3.w, r4.y
rsq r4.y, r4.y
mul r19.x, r19.x, r4.y
// when f1.z is above 0.65, a far shore: a strip 0.03 + 0.06 f1.y thick whose top lies
// 0.1 + 0.18 f1.w above the horizon, wandering on a noise of its own, water between
mul r20.xy, r9.xy, c14.xw
add r20.xy, r20.xy, c2.wz
call l0
add r21.x, r21.x, -c10.x
mad r6.x, c1.w, c18.y, c18.x
add r6.x, r6.x, r4.x
mad r6.x, r21.x, c18.x, r6.x
mad r6.y, c1.y, c18.w, c18.z
add r6.y, r6.x, -r6.y
add r6.z, r9.y, -r6.x
add r6.w, r6.y, -r9.y
max r14.x, r6.z, r6.w
mul r14.x, r14.x, r4.y
add r6.z, c1.z, -c17.z
cmp r14.x, r6.z, r14.x, c10.y
mov r19.w, c16.y
call l3
// when f1.z is under 0.3 there is no horizon, only the mass
add r6.z, c1.z, -c17.y
cmp r19.x, r6.z, r19.x, c10.y
// the mass: when f3.x is above 0.3 (always without a horizon), a mound of radius
// 0.04 + 0.16 f3.z (0.1 more alone) at a third across (f3.y), its middle a little
// below the horizon, melted into the land
add r6.w, c3.y, -c10.x
cmp r5.x, r6.w, c6.x, c10.z
add r5.x, r5.x, c6.y
frc r6.w, r6.w
add r6.w, r6.w, -c10.x
mad r5.x, r6.w, c6.z, r5.x
mul r5.x, r5.x, r0.z
add r5.y, r4.x, -c15.x
add r3.xy, r9.xy, -r5.xy
mad r3.z, c3.w, c10.w, c10.x
rcp r3.z, r3.z
mul r3.y, r3.y, r3.z
dp2add r3.z, r3, r3, c10.z
rsq r3.z, r3.z
rcp r3.z, r3.z
mad r4.z, c3.z, c15.y, c15.x
cmp r7.x, r6.z, c10.z, c6.w
add r4.z, r4.z, r7.x
add r14.x, r3.z, -r4.z
add r4.w, c3.x, -c17.w
add r7.y, c17.y, -c1.z
max r4.w, r4.w, r7.y
cmp r14.x, r4.w, r14.x, c10.y
mov r19.w, c15.z
mul r19.w, r19.w, r4.z
call l3
// the outline: soft by 0.006 + 0.02 f4.x (the air), ragged by 0.003 + 0.012 f4.y
mad r19.y, c4.x, c16.y, c16.x
mad r19.z, c4.y, c16.w, c16.z
// colour: a region of the colour image 0.45 of a screen height across, from a corner
// set by f4.w, f3.z and the plan's place in the stack
mad r8.xy, c4.wz, c19.z, c19.y
mad r8.xy, c5.x, c19.x, r8.xy
frc r8.xy, r8.xy
mad r8.xy, r8.xy, c27.xy, c27.z
mov r8.z, c19.w
call l4
mov oC0, r10
ret

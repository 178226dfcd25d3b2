// A plan shaped as a cluster of masses, as a still life gathers its objects: four
// rounded bodies of random size around a random middle, the largest squat, melted into
// one another by a random radius, their outlines torn by noise. The animation values
// choose every place, size and how softly they meet. Out: coverage, the colour
// coordinates, depth.
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
def c12, 2.3, 5.2, 1.3, 0.09
def c13, 0.25, 0.5, 0.3, 0.4
def c14, 0.35, 0.06, 0.12, 0.45
def c15, 0.05, 0.1, 0.04, 0.6
def c16, 0.08, 0.8, 0.05, 0.1
def c17, 0.015, 0.035, 0.004, 0.0
def c19, 0.37, 0.3, 0.4, 0.42
def c27, 0.3, 0.5, 0.03, 0.0
def c18, 0.6667, 0.3333, 0.12, 3.7
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
// the middle of the cluster: near a third across (f2.x) and a third up (f2.y), off by up
// to 0.06 either way
add r6.xy, c2.xy, -c10.x
cmp r11.xy, r6.xy, c18.xx, c18.yy
frc r6.xy, r6.xy
add r6.xy, r6.xy, -c10.x
mad r11.xy, r6.xy, c18.z, r11.xy
mul r11.x, r11.x, r0.z
// and its scale, 0.6 to 1.4: the cluster is drawn in space shrunk about its middle, so
// its distance is scaled back at the end
dp2add r7.x, c2.zw, c18.wy, c10.z
frc r7.x, r7.x
mad r7.x, r7.x, c16.y, c15.w
rcp r7.y, r7.x
mov r13.xy, r9.xy
add r9.xy, r9.xy, -r11.xy
mad r9.xy, r9.xy, r7.y, r11.xy
// the largest body, squat: radius 0.08 + 0.08 f2.z, height 0.6 + 0.8 f2.w of it
add r3.xy, r9.xy, -r11.xy
mad r4.x, c2.w, c16.y, c15.w
rcp r4.x, r4.x
mul r3.y, r3.y, r4.x
dp2add r3.z, r3, r3, c10.z
rsq r3.z, r3.z
rcp r3.z, r3.z
mad r4.y, c2.z, c16.x, c16.x
min r4.x, r4.x, c10.y
add r3.z, r3.z, -r4.y
mul r19.x, r3.z, r4.x
mad r19.w, c4.z, c16.w, c16.z        // melting radius 0.05 + 0.1 f4.z
// three more bodies about it: offsets (f3.xy - 0.5) 0.35, (f3.w, f1.x) - 0.5) 0.45,
// (f1.zw - 0.5) 0.45; radii 0.06 + 0.12 f3.z, 0.05 + 0.1 f1.y, 0.04 + 0.12 f4.x
add r5.xy, c3.xy, -c10.x
mad r5.xy, r5.xy, c14.x, r11.xy
add r3.xy, r9.xy, -r5.xy
dp2add r3.z, r3, r3, c10.z
rsq r3.z, r3.z
rcp r3.z, r3.z
mad r4.y, c3.z, c14.z, c14.y
add r14.x, r3.z, -r4.y
call l3
mov r5.x, c3.w
mov r5.y, c1.x
add r5.xy, r5.xy, -c10.x
mad r5.xy, r5.xy, c14.w, r11.xy
add r3.xy, r9.xy, -r5.xy
dp2add r3.z, r3, r3, c10.z
rsq r3.z, r3.z
rcp r3.z, r3.z
mad r4.y, c1.y, c15.y, c15.x
add r14.x, r3.z, -r4.y
call l3
add r5.xy, c1.zw, -c10.x
mad r5.xy, r5.xy, c14.w, r11.xy
add r3.xy, r9.xy, -r5.xy
dp2add r3.z, r3, r3, c10.z
rsq r3.z, r3.z
rcp r3.z, r3.z
mad r4.y, c4.x, c14.z, c15.z
add r14.x, r3.z, -r4.y
call l3
mul r19.x, r19.x, r7.x
mov r9.xy, r13.xy
// the outline: torn by 0.015 + 0.035 f4.y, a little soft
mov r19.y, c17.z
mad r19.z, c4.y, c17.y, c17.x
// colour: a region of the colour image 0.42 of a screen height across, from a corner
// set by f4.w, f3.z and the plan's place in the stack
mad r8.xy, c4.wz, c19.z, c19.y
mad r8.xy, c5.x, c19.x, r8.xy
frc r8.xy, r8.xy
mad r8.xy, r8.xy, c27.xy, c27.z
mov r8.z, c19.w
call l4
mov oC0, r10
ret

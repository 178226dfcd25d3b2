// A plan shaped as one broad brush sweep: a band through a point of the canvas at an
// angle, tapering off at both ends, its edges bent and roughened like the other shapes.
// Out: red the plan's coverage, green how deep inside it a point lies, blue the plan's
// colour coordinate.
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
def c11, 0.159155, 6.283185, -3.141593, 3.0
def c12, 0.07, 0.012, 0.2, 0.6
def c13, 0.18, 0.32, 0.04, 0.25
def c14, 0.1, 0.8, 0.35, 4.0
dcl_texcoord v0.xy
dcl_2d s0
dcl_2d s1
dcl_2d s2
// waves: 0.07 * sin(uv.yx * (4 + 4 f3.xy) + 2 pi f3.zw)
mad r0.xy, c3, c14.w, c14.w
mul r0.xy, r0, v0.yx
mad r0.xy, c3.zw, c11.y, r0
mad r0.xy, r0, c11.x, c10.x
frc r0.xy, r0
mad r0.xy, r0, c11.y, c11.z
sincos r1.xy, r0.x
sincos r2.xy, r0.y
mov r3.x, r1.y
mov r3.y, r2.y
mad r3.xy, r3, c12.x, v0
// the brush texture roughens the outline
mul r4.xy, v0, c10.y
frc r4.xy, r4
texld r5, r4, s2
add r5.x, r5.x, -c10.x
mad r3.xy, r5.x, c12.y, r3
// the previous picture's forms nudge it
texld r6, v0, s0
add r6.xy, r6.yz, -c10.x
mad r3.xy, r6, c12.y, r3
// the band: centre 0.2 + 0.6 f2.xy, angle 2 pi f2.z, half width 0.06 + 0.14 f2.w,
// half length 0.35 + 0.3 f4.z
def c15, 0.06, 0.14, 0.35, 0.3
mad r7.xy, c2, c12.w, c12.z
add r7.xy, r3, -r7
mad r8.x, c2.z, c11.y, c11.z
sincos r9.xy, r8.x               // (cos, sin): the band's direction
dp2add r10.y, r7, r9, c10.z      // along the band
mov r9.z, -r9.y
mov r9.w, r9.x                   // the normal (-sin, cos)
dp2add r10.w, r7, r9.zwzw, c10.z // across the band
abs r10.yw, r10
mad r11.y, c2.w, c15.y, c15.x
rcp r11.y, r11.y
mul r10.w, r10.w, r11.y          // across, in half widths
mad r11.z, c4.z, c15.w, c15.z
add r10.y, r10.y, -r11.z
max r10.y, r10.y, c10.z
mul r10.y, r10.y, r11.y          // beyond the end, in half widths
mad r10.x, r10.y, c10.w, r10.w
// coverage: smoothstep over an edge 0.04 + 0.25 f4.y wide (r10.x is the signed distance
// outside the shape in edge units before scaling; r10.z the depth inside)
mad r11.x, c4.y, c13.w, c13.z
rcp r11.x, r11.x
add r12.x, c10.y, -r10.x
mul_sat r12.x, r12.x, r11.x
mul r13.x, r12.x, r12.x
mad r12.y, r12.x, -c10.w, c11.w
mul r13.x, r13.x, r12.y
add_sat r13.y, c10.y, -r10.x
add r14.x, r10.x, -c10.x
mad r14.x, r14.x, c14.z, c14.x
add r14.y, v0.x, -c10.x
mad r14.x, r14.y, c12.z, r14.x
mad_sat r13.z, c4.x, c14.y, r14.x
mov r13.w, c10.y
mov oC0, r13

// A plan shaped as a field of land: everything below a wavering horizon, whose height
// and waviness come from the plan's animation values, roughened like the other shapes.
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
// the horizon: h = 0.3 + 0.4 f2.x + 0.12 sin(2 pi (x (1 + 2 f2.y) + f2.z))
def c15, 0.3, 0.4, 0.12, 2.0
mad r7.x, c2.y, c15.w, c10.y
mad r7.x, r7.x, r3.x, c2.z
frc r7.x, r7.x
mad r7.x, r7.x, c11.y, c11.z
sincos r8.xy, r7.x
mad r9.x, c2.x, c15.y, c15.x
mad r9.x, r8.y, c15.z, r9.x
// d = 1 - (y - h) * 2: below 1 inside the field, 1 at the horizon
add r9.y, r3.y, -r9.x
mad r10.x, r9.y, -c10.w, c10.y
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

// The ground of the picture, drawn straight into the canvas: a thin wash of paint whose
// colour coordinates (green, blue) sweep softly across the canvas, bent by two slow
// waves, with a little of the previous picture left in it. Red is the paint's
// thickness, alpha the coverage of the plan being laid (none yet).
.param ps atr1 c0 4
.param ps f1 c1 4
.param ps f2 c2 4
.param ps f3 c3 4
.param ps f4 c4 4
.param ps alpha c5 1
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
def c10, 0.5, 1.0, 0.0, 0.15
def c11, 0.159155, 6.283185, -3.141593, 3.0
def c12, 0.08, 1.2, 0.25, 0.0
def c13, 0.17, 0.0, 0.0, 0.0
dcl_texcoord v0.xy
dcl_2d s1
dcl_2d s2
// two waves bend the sweep: w = 0.08 * sin(uv.yx * (3 + 4 f2.xy) + 2 pi f3.xy)
mad r0.xy, c2, c11.w, c11.w      // 3 + 3 f2 (frequencies)
mul r0.xy, r0, v0.yx
mad r0.xy, c3, c11.y, r0
mad r0.xy, r0, c11.x, c10.x
frc r0.xy, r0
mad r0.xy, r0, c11.y, c11.z
sincos r1.xy, r0.x
sincos r2.xy, r0.y
mov r3.x, r1.y
mov r3.y, r2.y
mad r3.xy, r3, c12.x, v0         // q = uv + w
add r3.xy, r3, -c10.x            // centred
// colour coordinates: a base from f1.xz and a slope from f1.yw
add r4.xy, c1.ywzw, -c10.x
mul r4.xy, r4, r3.yx
mad r4.xy, r4, c12.y, c12.z
mad r4.xy, c1.xz, c10.x, r4      // 0.25 + 0.5 f1.xz + 1.2 slope * q: the ground
                                 // crosses up to 0.7 of the colour image, and so its masses
// a little of the previous picture
texld r5, v0, s1
lrp r6.xy, c10.w, r5.yz, r4
max r6.xy, r6, c10.z
min r6.xy, r6, c10.y
// thickness: a thin wash, even; the canvas's weave shows through it in the surface
mov r9.x, c13.x
mov r9.yz, r6.xxyw
mov r9.w, c10.z
mov oC0, r9

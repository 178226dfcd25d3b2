// The surface of the paint: a height field from the canvas's paint thickness, furrowed
// by two brush textures that flow along the forms (their coordinates are bent by the
// canvas's colour coordinates, which change smoothly within a plan), with a memory of
// the previous picture's surface.
// Out: red the height, green the fine relief of the brush, alpha the paint thickness.
.param ps atr1 c0 4
.param ps alpha c1 1
.param ps bump1 c2 1
.param ps bump2 c3 1
.sampler ps texSampler0 s0
.sampler ps texSampler1 s1
.sampler ps texSampler2 s2
.sampler ps texSampler3 s3
.sampler ps texSampler4 s4
.sampler ps texSampler5 s5
.sampler ps texSampler6 s6
.sampler ps texSampler7 s7

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
def c10, 0.5, 1.0, 0.0, 3.0
def c11, 0.6, 1.5, 0.3, 0.15
def c12, 0.5, 0.4, 0.1, 0.0
dcl_texcoord v0.xy
dcl_2d s0
dcl_2d s2
dcl_2d s4
dcl_2d s5
dcl_2d s6
dcl_2d s7
texld r0, v0, s0                 // canvas: thickness in red, colour coordinates in g, b
add r1.xy, r0.yz, -c10.x
mul r2.xy, r1, c11.x            // fine strokes: uv * 3 bent by the forms
mad r2.xy, v0, c10.w, r2
frc r2.xy, r2
texld r3, r2, s4
texld r4, r2, s5
lrp r5, c1.x, r3, r4             // the current facture of the first pair
mul r6.xy, r1, c11.z
mad r6.xy, v0, c11.y, r6         // broad strokes: uv * 1.5
frc r6.xy, r6
texld r7, r6, s6
texld r8, r6, s7
lrp r9, c1.x, r7, r8             // the current facture of the second pair
// height = t + t ((f1 - 0.5)(0.15 + 0.5 bump1) + (f2 - 0.5) 0.4 bump2)
mad r10.x, c2.x, c12.x, c11.w
add r10.y, r5.x, -c10.x
mul r10.x, r10.x, r10.y
mul r10.z, c3.x, c12.y
add r10.w, r9.x, -c10.x
mad r10.x, r10.z, r10.w, r10.x
mad r11.x, r10.x, r0.x, r0.x
texld r12, v0, s2                // the previous surface
lrp_sat r13.x, c12.z, r12.x, r11.x
mov r13.y, r5.w                  // the brush's own relief
mov r13.z, c10.x
mov r13.w, r0.x
mov oC0, r13

// The colour of the picture. Pictures whose plans take colours from colour images look
// those images up at the canvas's colour coordinates (the first plan's two images,
// blended by a); pictures with coloured plans read the colour canvas, which then sits in
// both of the first two slots. Either way the colour is shaded by the relief of the
// finished canvas (alpha of the shading image), warmed by the first plan's colours, its
// values spread about the middle, and raised in key by shift (0.2 leaves the values as
// they are, more lifts them toward the light). Nothing of the previous picture is kept.
.param ps atr1 c0 4
.param ps alpha c1 1
.param ps shift c2 1
.param ps bump c3 1
.param ps surface c4 1
.param ps fg_color c5 3
.param ps bg_color c6 3
.param ps a c7 1
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
def c10, 0.5, 1.0, 0.0, 1000.0
def c11, 0.6, 0.8, 0.08, 1.15
def c12, 0.3, 0.59, 0.11, 0.5
def c13, 0.25, 0.75, 0.0, 0.2
def c14, 2.5, 0.5, 0.0001, 1.6
def c15, 0.02, 0.0, 0.0, 0.0
dcl_texcoord v0.xy
dcl_2d s1
dcl_2d s2
dcl_2d s3
dcl_2d s4
dcl_2d s6
texld r0, v0, s6                 // canvas: thickness, colour coordinates
texld r1, v0, s1
texld r2, v0, s2
// the two colour slots hold the same texture only for the colour canvas
add r3, r1, -r2
dp4 r3.x, r3, r3
mul_sat r3.x, r3.x, c10.w        // 1: colour images, 0: colour canvas
mov r20.xy, r0.yz
texld r4, r20, s1
texld r5, r20, s2
lrp r6, c7.x, r4, r5
lrp r7.xyz, r3.x, r6, r1
// shading: the colour canvas's alpha, or the current last plan's image's alpha
texld r8, v0, s3
texld r9, v0, s4
lrp r10.x, c7.x, r8.w, r9.w
lrp r10.x, r3.x, r10.x, r1.w
mad r10.x, r10.x, c11.y, c11.x
mul r7.xyz, r7, r10.x
// the first plan's colours warm the paint, by bump
lrp r11.xyz, r0.x, c5, c6
mad r11.xyz, r11, c12.w, c13.y
mul r11.xyz, r7, r11
mul r12.x, c3.x, c13.x
lrp r7.xyz, r12.x, r11, r7
// the values spread 1.6 times about the middle, the hues kept, never darkened below
// half their value nor lifted beyond half-way to white (no pure black or white)
dp3 r13.x, r7, c12
add r13.y, r13.x, -c10.x
mad r13.y, r13.y, c14.w, c10.x
mul r13.z, r13.x, c10.x
max r13.y, r13.y, r13.z
add r13.z, r13.z, c10.x
min r13.y, r13.y, r13.z
max r13.z, r13.x, c15.x
rcp r13.z, r13.z
mul r13.y, r13.y, r13.z
max r13.y, r13.y, c10.z
mul r7.xyz, r7, r13.y
// saturation, and the key: each channel to the power 1 / (1 + 2.5 (shift - 0.2))
dp3 r13.x, r7, c12
lrp_sat r14.xyz, c11.w, r7, r13.x
add r15.x, c2.x, -c13.w
mad r15.x, r15.x, c14.x, c10.y
max r15.x, r15.x, c14.y
rcp r15.x, r15.x
max r14.xyz, r14.xyz, c14.z
pow r17.x, r14.x, r15.x
pow r17.y, r14.y, r15.x
pow r17.z, r14.z, r15.x
mov r17.w, c10.y
mov oC0, r17

// Paints a plan's colours into the colour canvas (pictures with coloured plans): the
// plan's foreground colour and a partner derived from it by a harmony rule (its hue
// turned by 35 degrees, or by 155 when the drawn background colour is more green than
// not, and its value moved away from the foreground's), blended across the colour
// coordinate u (so by place on the screen) and the brush texture,
// enriched by the plan's colour image where one is loaded, laid over what the earlier
// plans painted (or over the background colour for the first plan) by the plan's
// coverage, which the canvas carries in alpha.
.param ps atr1 c0 4
.param ps alpha c1 1
.param ps shift c2 4
.param ps fon c3 1
.param ps facture c4 1
.param ps surface c5 1
.param ps layer c6 1
.param ps fg_color c7 3
.param ps bg_color c8 3
.sampler ps texSampler0 s0
.sampler ps texSampler1 s1
.sampler ps texSampler2 s2
.sampler ps texSampler3 s3
.sampler ps texSampler4 s4
.sampler ps texSampler5 s5
.sampler ps texSampler6 s6

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
def c11, 1.2, 0.35, 0.6, 3.0
def c15, 0.8794, -0.2709, 0.3914, 0.0
def c16, 0.3914, 0.8794, -0.2709, 0.0
def c17, -0.2709, 0.3914, 0.8794, 0.0
def c18, -0.2709, 0.3914, 0.8794, 0.0
def c19, 0.8794, -0.2709, 0.3914, 0.0
def c20, 0.3914, 0.8794, -0.2709, 0.0
def c21, 0.3, 0.59, 0.11, 0.5
def c22, 0.4, 0.45, 2.0, 1.0
def c23, 0.02, 0.1, 0.2, 0.06
def c24, 0.62, 0.6, 0.4, 0.0
def c25, 2.12, 0.89, -0.89, 2.12
def c26, 1.23, -1.32, 1.32, 1.23
def c27, 0.7071, 0.0, 0.0, 0.0
def c28, 0.8, 0.0, 0.0, 0.0
dcl_texcoord v0.xy
dcl_2d s0
dcl_2d s1
dcl_2d s2
dcl_2d s3
dcl_2d s4
texld r0, v0, s2                 // the canvas: coverage in alpha, colour coordinates in g, b
texld r1, v0, s3                 // the colours painted so far
// the brush texture, read twice at unrelated scales (2.3 and 1.8 tiles a screen) and
// angles and summed, so that no tile repeats across the screen (three tiles along the
// axes would repeat exactly a third of the way across)
dp2add r2.x, v0, c25.xy, c10.z
dp2add r2.y, v0, c25.zw, c10.z
frc r2.xy, r2
texld r3, r2, s4
dp2add r2.x, v0, c26.xy, c10.z
dp2add r2.y, v0, c26.zw, c10.z
frc r2.xy, r2
texld r2, r2, s4
add r3.x, r3.x, r2.x
add r3.x, r3.x, -c10.y
mad r3.x, r3.x, c27.x, c10.x     // about 0.5, with the contrast of one read
// the foreground, its chroma raised by 1 + 0.1 / (chroma + 0.02), so that the palette's
// greyish entries come out coloured too while its pure ones stay no louder than paint
dp3 r14.z, c7, c21
max r17.x, c7.x, c7.y
max r17.x, r17.x, c7.z
min r17.y, c7.x, c7.y
min r17.y, r17.y, c7.z
add r17.x, r17.x, -r17.y
add r17.x, r17.x, c23.x
rcp r17.x, r17.x
mad r17.x, r17.x, c23.y, c22.w
lrp_sat r16.xyz, r17.x, c7, r14.z
// the partner colour: the foreground turned round the grey axis ...
dp3 r12.x, r16, c15
dp3 r12.y, r16, c16
dp3 r12.z, r16, c17
dp3 r13.x, r16, c18
dp3 r13.y, r16, c19
dp3 r13.z, r16, c20
add r14.x, c8.y, -c10.x
cmp r12.xyz, r14.x, r13, r12
// ... darker when the foreground is light, lighter when it is dark; but a yellow or a
// yellow-green partner (blue well under both red and green) is always lighter, since
// darkened it would be an olive
dp3 r14.y, r16, c21
add r14.y, r14.y, -c10.x
min r18.x, r12.x, r12.y
add r18.x, r18.x, -r12.z
max r18.y, r12.x, r12.y
mad r18.x, r18.y, -c23.z, r18.x  // > 0: yellowish
cmp r14.y, r18.x, -c10.y, r14.y
mul r13.xyz, r12, c21.w
mad r15.xyz, r12, c11.z, c22.x
cmp_sat r12.xyz, r14.y, r13, r15
// and keeps its colour: its chroma raised by 1 + 0.06 / (chroma + 0.02), the most where
// darkening left it greyish
dp3 r14.z, r12, c21
max r17.x, r12.x, r12.y
max r17.x, r17.x, r12.z
min r17.y, r12.x, r12.y
min r17.y, r17.y, r12.z
add r17.x, r17.x, -r17.y
add r17.x, r17.x, c23.x
rcp r17.x, r17.x
mad r17.x, r17.x, c23.w, c10.y
lrp_sat r12.xyz, r17.x, r12, r14.z
// the plan's own blend of its two colours, by place: the foreground on one side of the
// plan, the partner on the other, meeting over a third of the colour coordinate's
// range (not a gradient across the screen), where the brush breaks one into the other
add r4.x, r3.x, -c10.x
mul r4.x, r4.x, c4.x
mul r4.x, r4.x, c11.y
add r4.y, r0.y, -c22.y
mad r4.x, r4.y, c22.z, r4.x
add_sat r4.x, r4.x, c10.x
lrp r5.xyz, r4.x, r16, r12
// the colour image, where there is one
mov r20.xy, r0.yz
texld r6, r20, s0
texld r7, r20, s1
lrp r8.xyz, c1.x, r7, r6
dp3 r9.x, r8, c10.y
mul_sat r9.x, r9.x, c10.w
mul r9.x, r9.x, c11.z
lrp r5.xyz, r9.x, r8, r5
// over the earlier plans, or over the ground for the first: the partner colour, darker
// toward one side of the canvas's sweep of colour coordinates and lighter toward the
// other, broken by the brush, so that the ground holds a light and a dark of its own
add r13.w, r0.z, -c10.x
add r14.w, r3.x, -c10.x
mul r14.w, r14.w, c28.y
mad r13.w, r13.w, c28.x, r14.w
add r13.w, r13.w, c10.y
mul_sat r13.xyz, r12, r13.w
lrp r10.xyz, c3.x, r13, r1
lrp r11.xyz, r0.w, r5, r10
// no olive: a yellow or yellow-green below 0.62 of value is lifted toward the light, the
// more the yellower and the darker it is
min r18.x, r11.x, r11.y
add r18.x, r18.x, -r11.z
max r18.y, r11.x, r11.y
mad r18.x, r18.y, -c23.z, r18.x
mul_sat r18.x, r18.x, c11.w          // how yellow
dp3 r18.z, r11, c21
add r18.z, c24.x, -r18.z
mul_sat r18.z, r18.z, c11.w          // how dark
mul r18.x, r18.x, r18.z
mad r19.xyz, r11, c24.y, c24.z
lrp r11.xyz, r18.x, r19, r11
mov r11.w, c10.y
mov oC0, r11

// The colour of the picture. Pictures whose plans take colours from colour images look
// those images up at the canvas's colour coordinates (the first plan's two images,
// blended by a); pictures with coloured plans read the colour canvas, which then sits in
// both of the first two slots. Either way the colour is shaded by the relief of the
// finished canvas (alpha of the shading image), warmed by the first plan's colours, its
// values spread into a value plan with a focal place, raised in key by shift (0.2
// leaves the values as they are, more lifts them toward the light), and kept within
// the chroma of paint. Nothing of the previous picture is kept.
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
def c11, 0.8, 0.4, 0.08, 1.05
def c12, 0.3, 0.59, 0.11, 0.5
def c13, 0.25, 0.75, 0.0, 0.2
def c14, 2.5, 0.5, 0.0001, 3.0
def c15, 0.02, 0.0, 0.0, 0.0
def c16, 0.00109, 0.2, 0.05, 2.0
def c17, -3.0, -1.0, -1.0, 3.0
def c18, 1.0, -3.0, 3.0, 1.0
def c21, 0.25, 0.3, 0.75, 0.3
def c22, 0.25, 0.7, 0.75, 0.7
def c23, 0.3, 2.63, -0.316, -0.35
def c24, 0.05, 0.8, 1.5, 2.6
def c25, 0.32, 0.68, 0.1, 0.4
def c26, 7.13, 5.37, 3.71, 1.2
def c27, 0.85, 1.0, 1.35, 0.33
def c28, 8.0, 1.3, 1.0, 0.85
def c29, 0.3, 0.7, 3.0, 1.25
def c30, 0.02, 0.2, 3.0, 0.62
def c31, 0.04, 0.0, 0.0, 0.0
def c32, 0.1, 5.0, 0.55, 0.38
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
// The canvas keeps the colour coordinates in eight bits, which would break the colour
// images into steps of about a 115th of the height, and an outline switches them from
// one plan's to the next within a pixel or two, which would show stair steps. So the
// colour is the mean of five looks into the images: the pixel's own and four taps spread
// like rooks over a box of one step, which turns the steps into ramps and blends the two
// sides of an outline over the same width.
dsx r18.x, v0.x
dsy r18.y, v0.y
abs r18.xy, r18.xy
rcp r18.y, r18.y
mul r18.x, r18.x, r18.y          // the aspect, height / width
mov r18.y, c10.y
mul r18.xy, r18.xy, c16.x        // an eighth of a step across (x by the aspect) and up
mov r20.xy, r0.yz
texld r4, r20, s1
texld r5, r20, s2
lrp r6, c7.x, r4, r5
mad r19, c17, r18.xyxy, v0.xyxy
texld r22, r19, s6
mov r20.xy, r22.yz
texld r4, r20, s1
texld r5, r20, s2
lrp r23, c7.x, r4, r5
add r6, r6, r23
mov r19.xy, r19.zw
texld r22, r19, s6
mov r20.xy, r22.yz
texld r4, r20, s1
texld r5, r20, s2
lrp r23, c7.x, r4, r5
add r6, r6, r23
mad r19, c18, r18.xyxy, v0.xyxy
texld r22, r19, s6
mov r20.xy, r22.yz
texld r4, r20, s1
texld r5, r20, s2
lrp r23, c7.x, r4, r5
add r6, r6, r23
mov r19.xy, r19.zw
texld r22, r19, s6
mov r20.xy, r22.yz
texld r4, r20, s1
texld r5, r20, s2
lrp r23, c7.x, r4, r5
add r6, r6, r23
mul r6, r6, c16.y
lrp r7.xyz, r3.x, r6, r1
// shading: the colour canvas's alpha, or the current last plan's image's alpha
texld r8, v0, s3
texld r9, v0, s4
lrp r10.x, c7.x, r8.w, r9.w
lrp r10.x, r3.x, r10.x, r1.w
// the relief's fine play passes whole, but its steepest steps (a plan's outline, where
// the paint's thickness jumps) are tempered, by 1 / (1 + 3 |d|), so that they do not
// lay a rim of light along one side of every shape and a dark one along the other
add r10.x, r10.x, -c10.x
abs r10.y, r10.x
mad r10.y, r10.y, c14.w, c10.y
rcp r10.y, r10.y
mul r10.x, r10.x, r10.y
mad r10.x, r10.x, c11.y, c10.y
mul r7.xyz, r7, r10.x
// the first plan's colours warm the paint, by bump
lrp r11.xyz, r0.x, c5, c6
mad r11.xyz, r11, c12.w, c13.y
mul r11.xyz, r7, r11
mul r12.x, c3.x, c13.x
lrp r7.xyz, r12.x, r11, r7
// A value plan: the colour at four places of the screen tells where the painting's
// values lie, and they are spread about their middle (moved half-way to the middle
// grey) by a gain that grows the closer together they lie, so that every painting has
// dark, middle and light masses and a dark one is lifted rather than left murky. The
// spread is strongest about a focal place near one of the thirds (set by the first
// plan's colours) and weaker far from it: the strongest contrast sits off-centre. The
// gain moves values about their middle, never the light itself, so no glow or vignette.
mov r28.xy, c10.yz
mov r24.xy, c21.xy
texld r22, r24, s6
lrp r24.xy, r3.x, r22.yz, r24.xy
texld r26, r24, s1
texld r27, r24, s2
lrp r26, c7.x, r26, r27
dp3 r26.x, r26, c12
min r28.x, r28.x, r26.x
max r28.y, r28.y, r26.x
mov r24.xy, c21.zw
texld r22, r24, s6
lrp r24.xy, r3.x, r22.yz, r24.xy
texld r26, r24, s1
texld r27, r24, s2
lrp r26, c7.x, r26, r27
dp3 r26.x, r26, c12
min r28.x, r28.x, r26.x
max r28.y, r28.y, r26.x
mov r24.xy, c22.xy
texld r22, r24, s6
lrp r24.xy, r3.x, r22.yz, r24.xy
texld r26, r24, s1
texld r27, r24, s2
lrp r26, c7.x, r26, r27
dp3 r26.x, r26, c12
min r28.x, r28.x, r26.x
max r28.y, r28.y, r26.x
mov r24.xy, c22.zw
texld r22, r24, s6
lrp r24.xy, r3.x, r22.yz, r24.xy
texld r26, r24, s1
texld r27, r24, s2
lrp r26, c7.x, r26, r27
dp3 r26.x, r26, c12
min r28.x, r28.x, r26.x
max r28.y, r28.y, r26.x

add r28.z, r28.y, -r28.x
add r28.z, r28.z, c24.x
rcp r28.z, r28.z
mul r28.z, r28.z, c24.y
max r28.z, r28.z, c24.z
min r28.z, r28.z, c24.w              // the gain, 1.5 to 2.6
// a high key (shift above 0.2) lifts the darks and narrows the values: it asks for more
add r28.w, c2.x, -c13.w
max r28.w, r28.w, c10.z
add r28.z, r28.z, r28.w
// the focal place: across at a third either side (give or take 0.05), up from 0.3 to 0.7
mul r29.xy, c5.xy, c26.xy
mad r29.xy, c6.yx, c26.zy, r29.xy
frc r29.xy, r29.xy
add r29.z, r29.x, -c10.x
cmp r29.z, r29.z, c25.y, c25.x
add r29.w, r29.x, r29.x
frc r29.w, r29.w
add r29.w, r29.w, -c10.x
mad r29.x, r29.w, c25.z, r29.z
mad r29.y, r29.y, c25.w, c23.x
add r29.xy, v0.xy, -r29.xy
dp2add r29.z, r29, r29, c10.z
rsq r29.z, r29.z
rcp r29.z, r29.z
mad_sat r29.z, r29.z, c23.y, c23.z   // 0 within 0.12 of it, 1 from 0.5 on
mul r29.w, r29.z, r29.z
mad r29.z, r29.z, -c16.w, c29.z
mul r29.z, r29.z, r29.w              // smooth
mad r29.z, r29.z, c23.w, c29.w       // 1.25 at the focus, 0.9 far from it
mul r28.z, r28.z, r29.z
// the new value: about the middle of the probes moved half-way to 0.5, never below a
// third of the old value nor beyond half-way from it to white
add r28.w, r28.x, r28.y
mul r28.w, r28.w, c10.x              // the probes' middle
dp3 r13.x, r7, c12
add r13.y, r13.x, -r28.w
add r28.w, r28.w, c10.x
mul r28.w, r28.w, c10.x              // moved half-way to 0.5
mad r13.y, r13.y, r28.z, r28.w
mul r13.z, r13.x, c27.w
max r13.y, r13.y, r13.z
add r13.z, r13.x, c10.y
mul r13.z, r13.z, c10.x
min r13.y, r13.y, r13.z
max r13.y, r13.y, c15.x
max r13.w, r13.x, c15.x
rcp r13.w, r13.w
mul r29.z, r13.y, r13.w              // how much lighter (above 1) or darker
// lighter: toward white, as a glaze of white lifts it, every channel kept inside
add r14.xyz, c10.y, -r7
add r14.w, c10.y, -r13.x
max r14.w, r14.w, c15.x
rcp r14.w, r14.w
add r13.z, c10.y, -r13.y
mul r14.w, r14.w, r13.z
mad r14.xyz, r14, -r14.w, c10.y
// darker: the shade is warm where red leads green (blue darkens most and red least, so
// a yellow sinks to an umber and not to an olive), and cool where green leads red (red
// darkens most, so a green sinks to a deep blue-green, not to an olive either)
min r29.w, r29.z, c10.y
max r29.w, r29.w, c16.z
add r30.w, r7.y, -r7.x
mul_sat r30.w, r30.w, c28.x
lrp r31.xyz, r30.w, c28.yzw, c27.xyz
log r30.x, r29.w
mul r30.xyz, r30.x, r31.xyz
exp r31.x, r30.x
exp r31.y, r30.y
exp r31.z, r30.z
mul r15.xyz, r7, r31
// and keeps its colour: the chroma that darkening takes is given back
add r30.w, c10.y, -r29.w
mad r30.w, r30.w, c26.w, c10.y
dp3 r31.w, r15, c12
lrp_sat r15.xyz, r30.w, r15, r31.w
add r29.w, r29.z, -c10.y
cmp r7.xyz, r29.w, r14, r15
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
// last, no mud: greyish colours get chroma back, by 1 + 0.04 / (chroma + 0.02), and a
// yellow or yellow-green below 0.62 of value turns toward an umber (its green sinks
// toward its blue) rather than stay an olive
max r18.x, r17.x, r17.y
max r18.x, r18.x, r17.z
min r18.y, r17.x, r17.y
min r18.y, r18.y, r17.z
add r18.z, r18.x, -r18.y
add r18.z, r18.z, c30.x
rcp r18.z, r18.z
mad r18.z, r18.z, c31.x, c10.y
dp3 r18.w, r17, c12
lrp_sat r19.xyz, r18.z, r17, r18.w
min r20.x, r19.x, r19.y
add r20.x, r20.x, -r19.z
max r20.y, r19.x, r19.y
mad r20.x, r20.y, -c30.y, r20.x
mul_sat r20.x, r20.x, c30.z          // how yellow
dp3 r20.z, r19, c12
add r20.z, c30.w, -r20.z
mul_sat r20.z, r20.z, c30.z          // how dark
mul r20.x, r20.x, r20.z
mul r20.x, r20.x, c29.y
add r20.y, r19.y, -r19.z
mad r19.y, r20.x, -r20.y, r19.y
// and no colour is purer than paint: the spread of its channels stays under 0.55, and
// under 0.38 for a green, a yellow-green or a yellow leaning to green (screen green,
// lime and acid yellow are not pigments' colours), by moving toward its value
max r21.x, r19.x, r19.y
max r21.x, r21.x, r19.z
min r21.y, r19.x, r19.y
min r21.y, r21.y, r19.z
add r21.z, r21.x, -r21.y
add r21.w, r19.y, -r19.x
add r21.w, r21.w, c32.x
mul_sat r21.w, r21.w, c32.y          // green up to red or past it
add r22.x, r19.y, -r19.z
mul_sat r22.x, r22.x, c32.y          // and past blue
mul r21.w, r21.w, r22.x              // how green or yellow-green
lrp r22.y, r21.w, c32.w, c32.z
max r21.z, r21.z, c15.x
rcp r21.z, r21.z
mul_sat r22.y, r22.y, r21.z          // the share of chroma kept
dp3 r22.z, r19, c12
lrp r19.xyz, r22.y, r19, r22.z
mov r19.w, c10.y
mov oC0, r19

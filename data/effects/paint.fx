// The finished oil painting: the colour image, broken into paint patches that run along
// the outlines and the colour's contours, lit as a paint surface. Across an outline the
// patches give way to the colour as it is, and the brush's relief fades, so that outlines
// stay as smooth as the colour image draws them. Normals come from
// the surface's height field, the light swings slowly with param.xy, thick paint catches
// a small sheen (beta), the brush's fine relief ripples the light, and where the paint
// is thin the canvas weave shows through with strength gamma.
.param ps alpha c0 1
.param ps beta c1 1
.param ps gamma c2 1
.param ps param c3 4
.param ps atr1 c4 4
.param ps patr1 c5 4
.param ps time c6 1
.sampler ps texSampler0 s0
.sampler ps texSampler1 s1
.sampler ps texSampler2 s2
.sampler ps texSampler3 s3
.sampler ps texSampler4 s4

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
def c11, 0.0015, 0.0, 3.0, 0.9
def c12, 0.55, 0.6, 24.0, 1.25
def c13, 0.85, 0.3, 0.4, 1.5
def c15, 0.0025, 1000.0, 0.005, 512.0
def c17, 0.0, 0.0, 0.000005, 0.0000000001
def c18, 0.5, -0.5, 0.006, 2.5
def c19, 1.0, 0.05, 0.0, 0.0
def c16, 0.3, 0.59, 0.11, 0.25
def c20, 0.05, 8.0, 0.02, 12.0
// the slope's weights 1 and 2 pixels out (k exp(-k^2 / 2.88), summing with k to 1),
// and 0.011 / 2
def c21, 0.4146, 0.2927, 0.0, 0.0055
def c22, 0.8, 0.0, 0.0, 0.0
// broken colour: value per unit of tone, warmth per unit of relief, how soon an outline
// holds them back (fully from 0.6 of the way to where the relief is gone); the weight of
// each of the nine taps; and how warmth moves red, green and blue
def c23, 0.65, 0.35, 1.6, 0.111111
def c24, 1.0, 0.25, -1.0, 0.985
dcl_texcoord v0.xy
dcl_2d s0
dcl_2d s1
dcl_2d s4
dsx r20.x, v0.x
dsy r20.y, v0.y
abs r20.xy, r20.xy
rcp r20.z, r20.y
mul r20.x, r20.x, r20.z          // a unit of height across, in texture x
texld r1, v0, s1                 // surface: height, fine relief, -, thickness
// the height's slope across and down, smoothed: differences one and two pixels either
// side weighted like the slope of a bell 1.2 pixels wide, so that the brush's
// finest grooves (a pixel or two apart) soften the light instead of beating against the
// taps into a fine lattice; scaled to 0.011 per unit of slope in texture coordinates
dsx r2.z, v0.x
dsy r2.w, v0.y
abs r2.zw, r2.zw                 // a pixel, in texture coordinates
mov r7.xy, c10.z
mov r6.zw, r1.xxyz               // the brush's relief and the strokes' tone, summed over the
                                 // same taps
mov r2.xy, v0
add r2.x, r2.x, r2.z
texld r3, r2, s1
add r6.zw, r6.zw, r3.xxyz
add r2.x, v0.x, -r2.z
texld r4, r2, s1
add r6.zw, r6.zw, r4.xxyz
add r7.x, r4.x, -r3.x
mul r7.x, r7.x, c21.x
mad r2.x, r2.z, c10.w, v0.x
texld r3, r2, s1
add r6.zw, r6.zw, r3.xxyz
mad r2.x, r2.z, -c10.w, v0.x
texld r4, r2, s1
add r6.zw, r6.zw, r4.xxyz
add r3.x, r4.x, -r3.x
mad r7.x, r3.x, c21.y, r7.x
mov r2.xy, v0
add r2.y, r2.y, r2.w
texld r3, r2, s1
add r6.zw, r6.zw, r3.xxyz
add r2.y, v0.y, -r2.w
texld r4, r2, s1
add r6.zw, r6.zw, r4.xxyz
add r7.y, r4.x, -r3.x
mul r7.y, r7.y, c21.x
mad r2.y, r2.w, c10.w, v0.y
texld r3, r2, s1
add r6.zw, r6.zw, r3.xxyz
mad r2.y, r2.w, -c10.w, v0.y
texld r4, r2, s1
add r6.zw, r6.zw, r4.xxyz
add r3.x, r4.x, -r3.x
mad r7.y, r3.x, c21.y, r7.y
rcp r2.z, r2.z
rcp r2.w, r2.w
mul r2.zw, r2.zw, c21.w
mul r7.xy, r7.xy, r2.zw
mov r7.z, c10.y
// the colour's slope, 0.006 of the height either side
mul r21.x, r20.x, c18.z
mov r21.y, c18.z
mov r21.z, c10.z
add r22.xy, v0, r21.xzzz
texld r23, r22, s0
dp3 r24.x, r23, c16
add r22.xy, v0, -r21.xzzz
texld r23, r22, s0
dp3 r24.y, r23, c16
add r22.xy, v0, r21.zyyy
texld r23, r22, s0
dp3 r24.z, r23, c16
add r22.xy, v0, -r21.zyyy
texld r23, r22, s0
dp3 r24.w, r23, c16
add r25.x, r24.x, -r24.y
add r25.y, r24.z, -r24.w
// the patches run across the colour's slope: its direction doubled, (x^2 - y^2, 2xy),
// negated to turn it a quarter, and a hair of the horizontal where the colour is flat
mul r27.xy, r25.xy, r25.xy
add r27.x, r27.y, -r27.x
mul r27.y, r25.x, r25.y
mul r27.y, r27.y, -c10.w
add r27.x, r27.x, c17.z
// back to a direction: cos = sqrt((1 + c2) / 2), sin = sign(s2) sqrt((1 - c2) / 2)
dp2add r29.x, r27, r27, c17.w
rsq r29.x, r29.x
mul r29.x, r27.x, r29.x
mad r29.xy, r29.xx, c18.xy, c10.xx
max r29.xy, r29.xy, c10.z
rsq r29.x, r29.x
rcp r29.x, r29.x
rsq r29.y, r29.y
rcp r29.y, r29.y
cmp r29.y, r27.y, r29.y, -r29.y
// a step along, 0.005 of the height, and across, 0.0025, in texture coordinates
mul r26.x, r29.x, r20.x
mov r26.y, r29.y
mul r26.xy, r26.xy, c15.z
mul r26.z, -r29.y, r20.x
mov r26.w, r29.x
mul r26.zw, r26.zw, c15.x
// the colour, as paint patches: the means of four oblong quadrants around the point
// (taps one and three steps along and across), each weighted the more the less its
// colours vary, so smooth gradients break into flat strokes of colour along the form
// and fringes of in-between colour vanish, while outlines stay sharp
mov r30.xyz, c10.z              // the weighted means so far
mov r31.x, c10.z                // and their weights
mov r2.xy, c10.yz               // the darkest and the lightest of their mean lumas
// quadrant 1
add r22.xy, v0, r26.xy
add r22.xy, r22, r26.zw
texld r23, r22, s0
dp3 r24.x, r23, c16
mov r25.xyz, r23
mov r28.x, r24.x
mul r28.y, r24.x, r24.x
mad r22.xy, r26.xy, c10.w, r22
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r28.x, r28.x, r24.x
mad r28.y, r24.x, r24.x, r28.y
mad r22.xy, r26.zw, c10.w, r22
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r28.x, r28.x, r24.x
mad r28.y, r24.x, r24.x, r28.y
mad r22.xy, r26.xy, -c10.w, r22
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r28.x, r28.x, r24.x
mad r28.y, r24.x, r24.x, r28.y
mul r25.xyz, r25, c16.w          // the mean
mul r28.xy, r28.xy, c16.w
min r2.x, r2.x, r28.x
max r2.y, r2.y, r28.x
mad r28.z, -r28.x, r28.x, r28.y  // the variance
mad r28.z, r28.z, c15.y, c10.y
mul r28.z, r28.z, r28.z
mul r28.z, r28.z, r28.z
rcp r28.z, r28.z                 // its weight, 1 / (1 + k variance)^4
mad r30.xyz, r25, r28.z, r30
add r31.x, r31.x, r28.z
// quadrant 2
add r22.xy, v0, -r26.xy
add r22.xy, r22, r26.zw
texld r23, r22, s0
dp3 r24.x, r23, c16
mov r25.xyz, r23
mov r28.x, r24.x
mul r28.y, r24.x, r24.x
mad r22.xy, r26.xy, -c10.w, r22
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r28.x, r28.x, r24.x
mad r28.y, r24.x, r24.x, r28.y
mad r22.xy, r26.zw, c10.w, r22
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r28.x, r28.x, r24.x
mad r28.y, r24.x, r24.x, r28.y
mad r22.xy, r26.xy, c10.w, r22
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r28.x, r28.x, r24.x
mad r28.y, r24.x, r24.x, r28.y
mul r25.xyz, r25, c16.w          // the mean
mul r28.xy, r28.xy, c16.w
min r2.x, r2.x, r28.x
max r2.y, r2.y, r28.x
mad r28.z, -r28.x, r28.x, r28.y  // the variance
mad r28.z, r28.z, c15.y, c10.y
mul r28.z, r28.z, r28.z
mul r28.z, r28.z, r28.z
rcp r28.z, r28.z                 // its weight, 1 / (1 + k variance)^4
mad r30.xyz, r25, r28.z, r30
add r31.x, r31.x, r28.z
// quadrant 3
add r22.xy, v0, r26.xy
add r22.xy, r22, -r26.zw
texld r23, r22, s0
dp3 r24.x, r23, c16
mov r25.xyz, r23
mov r28.x, r24.x
mul r28.y, r24.x, r24.x
mad r22.xy, r26.xy, c10.w, r22
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r28.x, r28.x, r24.x
mad r28.y, r24.x, r24.x, r28.y
mad r22.xy, r26.zw, -c10.w, r22
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r28.x, r28.x, r24.x
mad r28.y, r24.x, r24.x, r28.y
mad r22.xy, r26.xy, -c10.w, r22
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r28.x, r28.x, r24.x
mad r28.y, r24.x, r24.x, r28.y
mul r25.xyz, r25, c16.w          // the mean
mul r28.xy, r28.xy, c16.w
min r2.x, r2.x, r28.x
max r2.y, r2.y, r28.x
mad r28.z, -r28.x, r28.x, r28.y  // the variance
mad r28.z, r28.z, c15.y, c10.y
mul r28.z, r28.z, r28.z
mul r28.z, r28.z, r28.z
rcp r28.z, r28.z                 // its weight, 1 / (1 + k variance)^4
mad r30.xyz, r25, r28.z, r30
add r31.x, r31.x, r28.z
// quadrant 4
add r22.xy, v0, -r26.xy
add r22.xy, r22, -r26.zw
texld r23, r22, s0
dp3 r24.x, r23, c16
mov r25.xyz, r23
mov r28.x, r24.x
mul r28.y, r24.x, r24.x
mad r22.xy, r26.xy, -c10.w, r22
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r28.x, r28.x, r24.x
mad r28.y, r24.x, r24.x, r28.y
mad r22.xy, r26.zw, -c10.w, r22
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r28.x, r28.x, r24.x
mad r28.y, r24.x, r24.x, r28.y
mad r22.xy, r26.xy, c10.w, r22
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r28.x, r28.x, r24.x
mad r28.y, r24.x, r24.x, r28.y
mul r25.xyz, r25, c16.w          // the mean
mul r28.xy, r28.xy, c16.w
min r2.x, r2.x, r28.x
max r2.y, r2.y, r28.x
mad r28.z, -r28.x, r28.x, r28.y  // the variance
mad r28.z, r28.z, c15.y, c10.y
mul r28.z, r28.z, r28.z
mul r28.z, r28.z, r28.z
rcp r28.z, r28.z                 // its weight, 1 / (1 + k variance)^4
mad r30.xyz, r25, r28.z, r30
add r31.x, r31.x, r28.z
rcp r31.x, r31.x
mul r0.xyz, r30, r31.x
// where the quadrants' means lie apart an outline runs through: choosing among them
// pixel by pixel would fray it, so from 0.05 of luma apart up to 0.175 the colour is
// read as it is; from 0.02 up to 0.1 the paint's slope and the brush's relief fade
// (r2.w keeps how much), so that no stroke of light crosses the outline
add r2.z, r2.y, -r2.x
add_sat r2.w, r2.z, -c20.z
mul_sat r2.w, r2.w, c20.w
add_sat r2.z, r2.z, -c20.x
mul_sat r2.z, r2.z, c20.y
texld r3, v0, s0
lrp r0.xyz, r2.z, r3, r0
// broken colour: every stroke carries its own value and warmth. The surface's tone (the
// load of its broad and small strokes) lifts or sinks the colour, and the brush's fine
// relief warms or cools it, so that neighbouring strokes differ in value and hue; both
// are held back across an outline, which stays one line
mad r5.xy, r6.wz, c23.w, -c10.x  // both, their finest grain smoothed over the taps
mov r3.xyz, r0                   // the colour before, to cap the lift below
mul_sat r5.z, r2.w, c23.z
add r5.z, c10.y, -r5.z
mul r5.xy, r5.xy, r5.z
mad r5.x, r5.x, c23.x, c10.y
mul r0.xyz, r0, r5.x
mul r5.y, r5.y, c23.y
mad r6.xyz, r5.yyy, c24, c10.y
mul r0.xyz, r0, r6
// a stroke may lift a channel up to 0.985 but never beyond what it was
max r3.xyz, r3, c24.w
min r0.xyz, r0, r3
add r3.x, c10.y, -r2.w
mul r7.xy, r7.xy, r3.x
mov r0.w, c10.y
nrm r8.xyz, r7                   // the normal
// the light: from param.xy, swung across the picture
mad r9.xy, c3, c10.w, -c10.y
mov r9.z, c11.w
nrm r10.xyz, r9
dp3_sat r11.x, r8, r10
mad r11.x, r11.x, c12.x, c12.x   // 0.55 + 0.55 diffuse
mad r11.y, r1.y, c13.y, c13.x    // the brush's relief: 0.85 + 0.3 relief
lrp r11.y, r2.w, c10.y, r11.y
mul r11.x, r11.x, r11.y
// sheen on thick paint: half-vector with the viewer straight ahead
add r12.xyz, r10, c10.zzyw
nrm r13.xyz, r12
dp3_sat r14.x, r8, r13
pow r14.x, r14.x, c12.z
mul r14.x, r14.x, c1.x
mul r14.x, r14.x, r1.w
// canvas weave where the paint is thin
dsx r15.x, v0.x                  // two texels a pixel, as the surface reads the weave,
dsy r15.y, v0.y                  // so that the threads and their relief lie together
abs r15.xy, r15.xy
mul r15.xy, r15.xy, c15.w
rcp r15.z, r15.x
rcp r15.w, r15.y
mul r15.xy, v0, r15.zw
frc r15.xy, r15
texld r16, r15, s4
mad r16.x, r16.x, c19.y, c19.x   // weave: 1 + 0.05 canvas, a tooth
mul_sat r17.x, r1.w, c18.w
add r17.x, c10.y, -r17.x
mul r17.x, r17.x, c2.x
lrp r18.x, r17.x, r16.x, c10.y
mul r19.xyz, r0, r18.x
mul r19.xyz, r19, r11.x
add_sat r19.xyz, r19, r14.x
// the sheen on a light field stops short of the screen's white, so that the field keeps
// its strokes instead of burning out into blank white
min r19.xyz, r19, c24.w
// into the gamut of paint: no colour is purer than 0.8 of the screen's range (the
// largest channel less the smallest), so no screen primary survives; a purer one keeps
// its largest channel, and with it its value, and lifts the weakest
max r30.x, r19.x, r19.y
max r30.x, r30.x, r19.z
add r30.x, r30.x, -c22.x
max r19.xyz, r19, r30.x
mov r19.w, c10.y
mov oC0, r19

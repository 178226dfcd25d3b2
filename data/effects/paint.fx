// The finished oil painting: the colour image, broken into paint patches, lit as a paint
// surface. Normals come from
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
def c14, 0.8, 0.0, 0.0, 0.0
def c15, 0.0025, 400.0, 0.0, 1024.0
def c16, 0.3, 0.59, 0.11, 0.25
dcl_texcoord v0.xy
dcl_2d s0
dcl_2d s1
dcl_2d s4
// the colour, as paint patches: the means of four quadrants around the point, each
// weighted the more the less its colours vary, so smooth gradients break into flat
// strokes of colour and hairline fringes vanish, while outlines stay sharp
dsx r20.x, v0.x
dsy r20.y, v0.y
abs r20.xy, r20.xy
rcp r20.z, r20.y
mul r20.x, r20.x, r20.z
mul r21.x, r20.x, c15.x         // a step of 1/400 of the height, across and down
mov r21.y, c15.x
mul r21.zw, r21.xxxy, c13.w
mul r21.zw, r21.zw, c10.w       // and three of them
mov r30.xyz, c10.z              // the weighted means so far
mov r31.x, c10.z                // and their weights
// quadrant 1
mad r22.x, r21.x, c10.y, v0.x
mad r22.y, r21.y, c10.y, v0.y
texld r23, r22, s0
dp3 r24.x, r23, c16
mov r25.xyz, r23
mov r26.x, r24.x
mul r26.y, r24.x, r24.x
mad r22.x, r21.z, c10.y, v0.x
mad r22.y, r21.y, c10.y, v0.y
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r26.x, r26.x, r24.x
mad r26.y, r24.x, r24.x, r26.y
mad r22.x, r21.x, c10.y, v0.x
mad r22.y, r21.w, c10.y, v0.y
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r26.x, r26.x, r24.x
mad r26.y, r24.x, r24.x, r26.y
mad r22.x, r21.z, c10.y, v0.x
mad r22.y, r21.w, c10.y, v0.y
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r26.x, r26.x, r24.x
mad r26.y, r24.x, r24.x, r26.y
mul r25.xyz, r25, c16.w          // the mean
mul r26.xy, r26.xy, c16.w
mad r26.z, -r26.x, r26.x, r26.y  // the variance
mad r26.z, r26.z, c15.y, c10.y
mul r26.z, r26.z, r26.z
rcp r26.z, r26.z                 // its weight, 1 / (1 + 400 variance)^2
mad r30.xyz, r25, r26.z, r30
add r31.x, r31.x, r26.z
// quadrant 2
mad r22.x, r21.x, -c10.y, v0.x
mad r22.y, r21.y, c10.y, v0.y
texld r23, r22, s0
dp3 r24.x, r23, c16
mov r25.xyz, r23
mov r26.x, r24.x
mul r26.y, r24.x, r24.x
mad r22.x, r21.z, -c10.y, v0.x
mad r22.y, r21.y, c10.y, v0.y
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r26.x, r26.x, r24.x
mad r26.y, r24.x, r24.x, r26.y
mad r22.x, r21.x, -c10.y, v0.x
mad r22.y, r21.w, c10.y, v0.y
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r26.x, r26.x, r24.x
mad r26.y, r24.x, r24.x, r26.y
mad r22.x, r21.z, -c10.y, v0.x
mad r22.y, r21.w, c10.y, v0.y
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r26.x, r26.x, r24.x
mad r26.y, r24.x, r24.x, r26.y
mul r25.xyz, r25, c16.w          // the mean
mul r26.xy, r26.xy, c16.w
mad r26.z, -r26.x, r26.x, r26.y  // the variance
mad r26.z, r26.z, c15.y, c10.y
mul r26.z, r26.z, r26.z
rcp r26.z, r26.z                 // its weight, 1 / (1 + 400 variance)^2
mad r30.xyz, r25, r26.z, r30
add r31.x, r31.x, r26.z
// quadrant 3
mad r22.x, r21.x, c10.y, v0.x
mad r22.y, r21.y, -c10.y, v0.y
texld r23, r22, s0
dp3 r24.x, r23, c16
mov r25.xyz, r23
mov r26.x, r24.x
mul r26.y, r24.x, r24.x
mad r22.x, r21.z, c10.y, v0.x
mad r22.y, r21.y, -c10.y, v0.y
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r26.x, r26.x, r24.x
mad r26.y, r24.x, r24.x, r26.y
mad r22.x, r21.x, c10.y, v0.x
mad r22.y, r21.w, -c10.y, v0.y
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r26.x, r26.x, r24.x
mad r26.y, r24.x, r24.x, r26.y
mad r22.x, r21.z, c10.y, v0.x
mad r22.y, r21.w, -c10.y, v0.y
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r26.x, r26.x, r24.x
mad r26.y, r24.x, r24.x, r26.y
mul r25.xyz, r25, c16.w          // the mean
mul r26.xy, r26.xy, c16.w
mad r26.z, -r26.x, r26.x, r26.y  // the variance
mad r26.z, r26.z, c15.y, c10.y
mul r26.z, r26.z, r26.z
rcp r26.z, r26.z                 // its weight, 1 / (1 + 400 variance)^2
mad r30.xyz, r25, r26.z, r30
add r31.x, r31.x, r26.z
// quadrant 4
mad r22.x, r21.x, -c10.y, v0.x
mad r22.y, r21.y, -c10.y, v0.y
texld r23, r22, s0
dp3 r24.x, r23, c16
mov r25.xyz, r23
mov r26.x, r24.x
mul r26.y, r24.x, r24.x
mad r22.x, r21.z, -c10.y, v0.x
mad r22.y, r21.y, -c10.y, v0.y
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r26.x, r26.x, r24.x
mad r26.y, r24.x, r24.x, r26.y
mad r22.x, r21.x, -c10.y, v0.x
mad r22.y, r21.w, -c10.y, v0.y
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r26.x, r26.x, r24.x
mad r26.y, r24.x, r24.x, r26.y
mad r22.x, r21.z, -c10.y, v0.x
mad r22.y, r21.w, -c10.y, v0.y
texld r23, r22, s0
dp3 r24.x, r23, c16
add r25.xyz, r25, r23
add r26.x, r26.x, r24.x
mad r26.y, r24.x, r24.x, r26.y
mul r25.xyz, r25, c16.w          // the mean
mul r26.xy, r26.xy, c16.w
mad r26.z, -r26.x, r26.x, r26.y  // the variance
mad r26.z, r26.z, c15.y, c10.y
mul r26.z, r26.z, r26.z
rcp r26.z, r26.z                 // its weight, 1 / (1 + 400 variance)^2
mad r30.xyz, r25, r26.z, r30
add r31.x, r31.x, r26.z
rcp r31.x, r31.x
mul r0.xyz, r30, r31.x
mov r0.w, c10.y
texld r1, v0, s1                 // surface: height, fine relief, -, thickness
// the height's slope across and down, two texels either side
add r2.xy, v0, c11.xyyy
texld r3, r2, s1
add r2.xy, v0, -c11.xyyy
texld r4, r2, s1
add r2.xy, v0, c11.yxyy
texld r5, r2, s1
add r2.xy, v0, -c11.yxyy
texld r6, r2, s1
add r7.x, r4.x, -r3.x
add r7.y, r6.x, -r5.x
mul r7.xy, r7, c11.z
mov r7.z, c10.y
nrm r8.xyz, r7                   // the normal
// the light: from param.xy, swung across the picture
mad r9.xy, c3, c10.w, -c10.y
mov r9.z, c11.w
nrm r10.xyz, r9
dp3_sat r11.x, r8, r10
mad r11.x, r11.x, c12.x, c12.x   // 0.55 + 0.55 diffuse
mad r11.y, r1.y, c13.y, c13.x    // the brush's relief: 0.85 + 0.3 relief
mul r11.x, r11.x, r11.y
// sheen on thick paint: half-vector with the viewer straight ahead
add r12.xyz, r10, c10.zzyw
nrm r13.xyz, r12
dp3_sat r14.x, r8, r13
pow r14.x, r14.x, c12.z
mul r14.x, r14.x, c1.x
mul r14.x, r14.x, r1.w
// canvas weave where the paint is thin
dsx r15.x, v0.x                  // one texel a pixel, never thinned out into a moire
dsy r15.y, v0.y
abs r15.xy, r15.xy
mul r15.xy, r15.xy, c15.w
rcp r15.z, r15.x
rcp r15.w, r15.y
mul r15.xy, v0, r15.zw
frc r15.xy, r15
texld r16, r15, s4
mad r16.x, r16.x, c13.z, c14.x   // weave: 0.8 + 0.4 canvas
mul_sat r17.x, r1.w, c13.w
add r17.x, c10.y, -r17.x
mul r17.x, r17.x, c2.x
lrp r18.x, r17.x, r16.x, c10.y
mul r19.xyz, r0, r18.x
mul r19.xyz, r19, r11.x
add_sat r19.xyz, r19, r14.x
mov r19.w, c10.y
mov oC0, r19

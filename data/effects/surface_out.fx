// The surface of the paint: a height field from the canvas's paint thickness, furrowed
// by two brush textures. Each is read in two frames, turned by the canvas's colour
// coordinates (which change slowly within a plan, so the strokes curve with it) and
// offset from each other, and the frames alternate in patches of smooth noise, so no
// tile repeats visibly.
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
def c10, 0.5, 1.0, 0.0, 1.3
def c11, 0.159155, 6.283185, -3.141593, 0.7
def c12, 0.5, 0.4, 0.15, 3.3
def c13, 0.45, 0.3, 0.31, 0.23
def c14, 2.5, 4.0, 0.61, 0.47
def c20, 0.0, 1.0, 0.5, 0.25
def c21, 0.1031, 33.33, 3.0, 2.0
dcl_texcoord v0.xy
dcl_2d s0
dcl_2d s4
dcl_2d s5
dcl_2d s6
dcl_2d s7
texld r0, v0, s0                 // canvas: thickness in red, colour coordinates in g, b
dsx r1.x, v0.x
dsy r1.y, v0.y
abs r1.xy, r1.xy
rcp r1.z, r1.x
mul r1.z, r1.z, r1.y
mul r2.x, v0.x, r1.z             // the point, square units
mov r2.y, v0.y
// the turn of the first frame, from the colour coordinates; the second frame is turned
// by a further quarter and a bit
dp2add r3.x, r0.yz, c13.xy, c10.z
frc r3.x, r3.x
mad r3.x, r3.x, c11.y, c11.z
sincos r4.xy, r3.x
mul r4.zw, r4.xxyx, c14.xxzw         // a second turn, not quite square to the first
add r4.zw, r4.zw, r4.xxxy
dp2add r5.x, r2, r4.xy, c10.z
mad r6.x, -r4.y, c10.y, c10.z
mov r6.y, r4.x
dp2add r5.y, r2, r6.xy, c10.z    // the point in the first frame
dp2add r5.z, r2, r4.zw, c10.z
mov r6.x, -r4.w
mov r6.y, r4.z
dp2add r5.w, r2, r6.xy, c10.z    // and in the second
// patches: which frame shows where, from smooth noise
mul r20.xy, r2.xy, c14.x
call l0
add r21.x, r21.x, -c10.x
mad_sat r7.x, r21.x, c14.y, c10.x
// fine strokes, 1.3 a screen height
mul r8, r5, c10.w
add r8.zw, r8.zw, c13.zw
frc r8, r8
texld r9, r8.xy, s4
texld r10, r8.xy, s5
lrp r11, c1.x, r9, r10
texld r9, r8.zw, s4
texld r10, r8.zw, s5
lrp r12, c1.x, r9, r10
lrp r13, r7.x, r12, r11          // the first facture
// broad strokes, 0.7 a screen height
mul r8, r5, c11.w
add r8.xy, r8.xy, c13.wz
frc r8, r8
texld r9, r8.xy, s6
texld r10, r8.xy, s7
lrp r11, c1.x, r9, r10
texld r9, r8.zw, s6
texld r10, r8.zw, s7
lrp r12, c1.x, r9, r10
lrp r14, r7.x, r11, r12          // the second
// height = t + t ((f1 - 0.5)(0.15 + 0.5 bump1) + (f2 - 0.5) 0.4 bump2)
mad r15.x, c2.x, c12.x, c12.z
add r15.y, r13.x, -c10.x
mul r15.x, r15.x, r15.y
mul r15.z, c3.x, c12.y
add r15.w, r14.x, -c10.x
mad r15.x, r15.z, r15.w, r15.x
mad_sat r16.x, r15.x, r0.x, r0.x
mov r16.y, r13.x                 // the brush's own relief: its grooves darken
mov r16.z, c10.x
mov r16.w, r0.x
mov oC0, r16
ret

// l0: value noise, smooth between random values at the integer lattice.
// In: r20.xy the point. Out: r21.x in [0, 1].
label l0
frc r22.xy, r20.xy
add r23.xy, r20.xy, -r22.xy
add r24, r23.x, c20.xyxy         // the four corners' x
add r25, r23.y, c20.xxyy         // and y
mul r24, r24, c21.x
frc r24, r24
mul r25, r25, c21.x
frc r25, r25
add r26, r25, c21.y
mul r27, r24, r26
add r26, r24, c21.y
mad r27, r25, r26, r27
mad r27, r24, r26, r27
add r24, r24, r27
add r25, r25, r27
add r26, r24, r25
mul r26, r26, r24
frc r26, r26                     // a random value per corner
mul r27.xy, r22.xy, r22.xy
mad r28.xy, r22.xy, -c21.w, c21.z
mul r27.xy, r27.xy, r28.xy       // smoothstep weights
lrp r28.xy, r27.x, r26.yw, r26.xz
lrp r21.x, r27.y, r28.y, r28.x
ret


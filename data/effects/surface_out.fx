// The surface of the paint: a height field from the canvas's paint thickness, furrowed
// by two brush textures, whose strokes run along the image's x. The screen is cut into
// cells a third of its height wide; each cell lays both textures turned so that their
// strokes follow the outlines near its middle (across the slope of the paint thickness
// there) or, where the paint lies flat, a direction drawn for the cell from its colour
// coordinates, and offsets them at random. Neighbouring cells melt into each other over
// smooth weights, and the blend keeps the textures' contrast (the weighted sum is divided
// by the root of the summed squared weights), so no seam, no washed-out band and no tile
// repeats visibly, and every cell's strokes stay straight.
// Where the paint is thin the canvas's weave raises the height.
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
def c10, 0.5, 1.0, 0.0, 2.0
def c11, 3.0, 0.333333, 0.5, 0.03
def c12, 0.5, 0.4, 0.15, 1.3
def c13, 0.7, 160.0, 0.05, 0.00000001
def c14, 1.6, 0.8, 0.45, 0.3
def c15, 0.1031, 0.1030, 0.0973, 0.1099
def c16, 33.33, 3.0, 0.5, -0.5
def c17, -1.0, 1.0, 0.333333, 0.0
def c18, 0.003, -0.003, 0.2, 0.0
def c19, 512.0, 2.5, 0.62, 0.12
def c20, 0.08, 0.0, 0.0, 1.4
def c21, 1.4, 0.0, 0.0, 0.0
def c22, 3.7, 5.3, 7.1, 2.9
dcl_texcoord v0.xy
dcl_2d s0
dcl_2d s3
dcl_2d s4
dcl_2d s5
dcl_2d s6
dcl_2d s7
texld r0, v0, s0                 // canvas: thickness in red, colour coordinates in g, b
// a pixel across and down, in texture coordinates. The derivatives of the interpolated
// coordinate are off by up to a ten-thousandth from one pixel to the next, which moved
// the cells' taps across texel borders in some columns and not in others: a cell whose
// strokes ran near the vertical flipped them in stripes of single pixels. So the width
// and height in pixels are rounded to whole numbers, the same for every pixel.
dsx r1.x, v0.x
dsy r1.y, v0.y
abs r1.xy, r1.xy
rcp r1.x, r1.x
rcp r1.y, r1.y
add r1.xy, r1.xy, c10.x
frc r3.xy, r1.xy
add r1.xy, r1.xy, -r3.xy
rcp r1.x, r1.x
rcp r1.y, r1.y
rcp r1.z, r1.x
mul r1.z, r1.z, r1.y             // width over height
rcp r1.w, r1.z
mul r2.x, v0.x, r1.z             // the point, square units
mov r2.y, v0.y
// the thickness, rounded over 0.003 of the height either way: the paint's own edges
// and ridges, without the grain of single pixels
mul r3, c18.xxyy, r1.w
mov r3.yw, c18.xxyy
mov r4.x, r0.x
add r5.xy, v0, r3.xyyy
texld r6, r5, s0
add r4.x, r4.x, r6.x
add r5.xy, v0, r3.zwww
texld r6, r5, s0
add r4.x, r4.x, r6.x
add r5.xy, v0, r3.xwww
texld r6, r5, s0
add r4.x, r4.x, r6.x
add r5.xy, v0, r3.zyyy
texld r6, r5, s0
add r4.x, r4.x, r6.x
mul r0.x, r4.x, c18.z
// the cell grid: the four cells around the point and their weights, smoothstep applied
// twice so that each cell holds its middle alone
mad r3.xy, r2.xy, c11.x, -c10.x
frc r4.xy, r3.xy
add r3.xy, r3.xy, -r4.xy         // the lower cell
mul r5.xy, r4.xy, r4.xy
mad r6.xy, r4.xy, -c10.w, c16.y
mul r4.xy, r5.xy, r6.xy
mul r5.xy, r4.xy, r4.xy
mad r6.xy, r4.xy, -c10.w, c16.y
mul r4.xy, r5.xy, r6.xy          // the weight of the upper cell across and down
add r5.xy, c10.y, -r4.xy         // and of the lower
mov r7, c10.z                    // weighted sums of both textures, summed squared weights
mov r9, c10.z                    // and of the small strokes
mov r20.xy, r3.xy
call l1
mul r8.x, r5.x, r5.y
add r30.xyz, r30.xyz, -c10.x
mad r7.xy, r30.xy, r8.x, r7.xy
mad r9.x, r30.z, r8.x, r9.x
mad r7.z, r8.x, r8.x, r7.z
add r20.xy, r3.xy, c10.yz
call l1
mul r8.x, r4.x, r5.y
add r30.xyz, r30.xyz, -c10.x
mad r7.xy, r30.xy, r8.x, r7.xy
mad r9.x, r30.z, r8.x, r9.x
mad r7.z, r8.x, r8.x, r7.z
add r20.xy, r3.xy, c10.zy
call l1
mul r8.x, r5.x, r4.y
add r30.xyz, r30.xyz, -c10.x
mad r7.xy, r30.xy, r8.x, r7.xy
mad r9.x, r30.z, r8.x, r9.x
mad r7.z, r8.x, r8.x, r7.z
add r20.xy, r3.xy, c10.yy
call l1
mul r8.x, r4.x, r4.y
add r30.xyz, r30.xyz, -c10.x
mad r7.xy, r30.xy, r8.x, r7.xy
mad r9.x, r30.z, r8.x, r9.x
mad r7.z, r8.x, r8.x, r7.z
rsq r7.z, r7.z
mul r7.xy, r7.xy, r7.z           // the textures about 0, their contrast kept
mul r9.x, r9.x, r7.z
// height = t + t ((f1 - 0.5)(0.15 + 0.5 bump1) + (f2 - 0.5) 0.4 bump2)
mad r15.x, c2.x, c12.x, c12.z
mul r15.x, r15.x, r7.x
mul r15.z, c3.x, c12.y
mad r15.x, r15.z, r7.y, r15.x
mad r15.x, r9.x, c20.x, r15.x    // the small strokes lie on top, in a thin coat
mad_sat r16.x, r15.x, r0.x, r0.x
// the canvas under thin paint: its weave, read two texels a pixel, raises the height as
// much as the paint is thinner than 0.4 (the ground's wash is about 0.17)
mul r17.xy, r1.xy, c19.x
rcp r17.z, r17.x
rcp r17.w, r17.y
mul r17.xy, v0.xy, r17.zw
frc r17.xy, r17.xy
texld r18, r17, s3
mul_sat r17.z, r0.x, c19.y
add r17.z, c10.y, -r17.z
add r18.x, r18.x, -c19.z
mul r18.x, r18.x, c19.w
mad_sat r16.x, r18.x, r17.z, r16.x
add_sat r16.y, r7.x, c10.x       // the brush's own relief: its grooves darken
// each stroke's own tone: the broad strokes' load, which the paint pass turns into the
// stroke's own value. It is taken from one layer only: where layers that cross are
// summed, the pixels' edges turn every way and the strokes' edges fray
add_sat r16.z, r7.y, c10.x
mov r16.w, r0.x
mov oC0, r16
ret

// l1: one cell's view of both textures at the point r2.xy (square units; r1.w is height
// over width). In: r20.xy the cell. Out: r30.x the fine texture, r30.y the broad one.
label l1
// four random values of the cell
mul r21, r20.xyxy, c15
frc r21, r21
add r22, r21.wzxy, c16.x
dp4 r22.x, r21, r22
add r21, r21, r22.x
add r22, r21.xxyz, r21.yzzw
mul r22, r22, r21.zywx
frc r21, r22
// the cell's middle, moved at random by up to a quarter of a cell
add r22.xy, r21.xy, -c10.x
mad r22.xy, r22.xy, c11.z, r20.xy
add r22.xy, r22.xy, c10.x
mul r22.xy, r22.xy, c11.y
// the paint thickness at the middle and 0.03 of the height across and down: its slope
mul r23.x, r22.x, r1.w
mov r23.y, r22.y
mul r24.x, c11.w, r1.w
mov r24.y, c11.w
texld r27, r23, s0
add r25.x, r23.x, r24.x
mov r25.y, r23.y
texld r26, r25, s0
mov r25.x, r23.x
add r25.y, r23.y, r24.y
texld r28, r25, s0
add r24.x, r26.x, -r27.x
add r24.y, r28.x, -r27.x         // the slope
// its direction twice: (x^2 - y^2, 2xy), turned a quarter (negated) to run along the
// outline, weighted by the slope's square
mul r25.xy, r24.xy, r24.xy
add r25.x, r25.y, -r25.x
mul r25.y, r24.x, r24.y
mul r25.y, r25.y, -c10.w
mul r25.xy, r25.xy, c13.y
// the flat direction: from the colour coordinates near the middle and the cell's own
// draw, near the horizontal (within 1.2 of it), also twice
add r26.yz, r26.yyzz, r27.yyzz
add r26.yz, r26.yyzz, r28.yyzz
mul r26.yz, r26.yyzz, c17.z
dp2add r26.x, r26.yzzz, c14.zw, c10.z
frc r26.x, r26.x
add r26.x, r26.x, -c10.x
mul r26.x, r26.x, c14.x
add r26.w, r21.z, -c10.x
mad r26.x, r26.w, c14.y, r26.x
// twice that angle as a direction, from u = tan of the angle (taken as a + a^3 / 3):
// (1 - u^2, 2u) / (1 + u^2), cheaper than a sine and a cosine
mul r27.z, r26.x, r26.x
mad r27.z, r27.z, c17.z, c10.y
mul r27.w, r26.x, r27.z
mul r27.z, r27.w, r27.w
add r27.x, c10.y, -r27.z
add r27.y, r27.w, r27.w
add r27.z, r27.z, c10.y
rcp r27.z, r27.z
mul r27.xy, r27.xy, r27.z
mad r25.xy, r27.xy, c13.z, r25.xy
// back to the direction once: cos = sqrt((1 + c2) / 2), sin = sign(s2) sqrt((1 - c2) / 2)
dp2add r26.x, r25, r25, c13.w
rsq r26.x, r26.x
mul r26.x, r25.x, r26.x
mad r26.xy, r26.xx, c16.zw, c10.xx
max r26.xy, r26.xy, c10.z
rsq r26.x, r26.x
rcp r26.x, r26.x
rsq r26.y, r26.y
rcp r26.y, r26.y
cmp r26.y, r25.y, r26.y, -r26.y  // (cos, sin) of the strokes
// the textures' offsets move with the colour coordinate at the middle, so that no
// cell lays its strokes at the same place of the screen in every painting
mad r21, r26.z, c22, r21
// the point in the cell's frame
add r27.xy, r2.xy, -r22.xy
dp2add r28.x, r27, r26, c10.z
mul r29.xy, r26.yx, c17.xy
dp2add r28.y, r27, r29, c10.z
// fine strokes, 1.3 a screen height, and broad ones, 0.7, at the cell's offsets
mad r23.xy, r28.xy, c12.w, r21.zw
frc r23.xy, r23.xy
texld r24, r23, s4
texld r25, r23, s5
lrp r30.x, c1.x, r24.x, r25.x
mad r23.xy, r28.xy, c13.x, r21.wz
frc r23.xy, r23.xy
texld r24, r23, s6
texld r25, r23, s7
lrp r30.y, c1.x, r24.x, r25.x
// small strokes over them, 1.4 a screen height, from the other pair of textures, turned
// from the cell's strokes by up to 0.6 of a radian either way (x - k y, y + k x), so that
// the details cross the masses
add r29.x, r21.x, -c10.x
mul r29.x, r29.x, c21.x
mad r23.x, -r29.x, r28.y, r28.x
mad r23.y, r29.x, r28.x, r28.y
mad r23.xy, r23.xy, c20.w, r21.yx
frc r23.xy, r23.xy
texld r24, r23, s6
texld r25, r23, s7
lrp r30.z, c1.x, r24.x, r25.x
ret

// The plan of a reveal, drawn once for each new painting into a target of half the
// painting's (slot 0) width and height: the painting again, with, in alpha, the moment
// each pixel is painted during its reveal (0 first, 1 last); reveal_fill then writes the
// moments into the painting's alpha at full size. The screen is laid with brush strokes
// in rows, within patches a third of the height wide whose edges wave; each patch turns
// its rows along the painting's own contours where its values slope, else in the cycle's
// direction (seed.x) give or take a little. A stroke starts when a painter would lay it:
// dark masses first, then middle values, highlights and busy detail last (its value and
// contrast are read along its length), each a little early or late at random; it then
// grows along its length, its leading edge rounded and ragged where the bristles drag,
// its sides wavering. Each stroke's ends are rounded and reach over the ends of its
// neighbours in the row, so that an early stroke ends in a rounded tip over a later one
// instead of a straight cut. seed holds four of the cycle's random values, so every
// reveal differs and a seeded run repeats.
.param ps seed c0 4
.sampler ps texSampler0 s0

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
def c10, 0.1031, 33.33, 0.5, 1.0
def c11, 0.299, 0.587, 0.114, 0.0
// patch side, row width, stroke length (units of the height), 2 pi
def c12, 0.34, 0.034, 0.2, 6.2831853
def c13, -3.1415927, 7.0, 0.3, 0.05
// structure taps, how strongly a slope turns the rows, the rows' bow and its pace
def c14, 0.06, 10.0, 0.012, 1.1
// order: from value, from contrast, spread of starts, value offset
def c15, 1.1, 1.4, 0.12, 0.12
// start from order, duration, its spread, bristle lag
def c16, 0.48, 0.08, 0.08, 0.05
// bristles across a stroke, the rounded head, a tiny length
def c17, 5.0, 0.04, 0.0001, 2.0
// a patch's turn from the cycle's direction (of a whole turn), the shortest stroke's share
def c18, 0.12, 0.75, 0.0, 0.0
// the sides' waver: its pace and depth
def c19, 6.0, 0.006, 0.0, 0.0
// how far a stroke's rounded end reaches over its neighbour's (of a stroke's length)
def c20, 0.0, 0.2, 0.0, 0.0
// the patches' edges: the pace of their wave and its depth (of a patch)
def c21, 4.5, 0.12, 0.0, 0.0
dcl_texcoord v0.xy
dcl_2d s0
mov r20.zw, c11.w                // the subroutines' level of detail
mov r4.zw, c11.w
// the aspect: r0.x = width / height, r0.w = height / width
dsx r0.x, v0.x
dsy r0.y, v0.y
abs r0.xy, r0.xy
rcp r0.z, r0.x
mul r0.x, r0.y, r0.z
rcp r0.w, r0.x
mul r1.x, v0.x, r0.x
mov r1.y, v0.y                   // q: the point in units of the height
// the patch, on a grid shifted by the cycle and warped by two slow waves
rcp r2.z, c12.x
mul r2.xy, r1.xy, r2.z
mad r2.xy, c0.yz, c13.y, r2.xy
mad r3.xy, r1.yx, c14.w, c0.zw
frc r3.xy, r3.xy
mad r3.xy, r3.xy, c12.w, c13.x
sincos r4.y, r3.x
sincos r5.y, r3.y
mad r2.x, r4.y, c13.z, r2.x
mad r2.y, r5.y, c13.z, r2.y
mad r3.xy, r1.yx, c21.x, c0.wz
frc r3.xy, r3.xy
mad r3.xy, r3.xy, c12.w, c13.x
sincos r4.y, r3.x
sincos r5.y, r3.y
mad r2.x, r4.y, c21.y, r2.x
mad r2.y, r5.y, c21.y, r2.y
frc r3.xy, r2.xy
add r2.xy, r2.xy, -r3.xy         // r2.xy: the patch's cell
mov r20.xy, r2.xy
call l0
mov r2.z, r21.x                  // the patch's own random value
// the patch's middle, in texture coordinates
add r3.xy, r2.xy, c10.z
mad r3.xy, -c0.yz, c13.y, r3.xy
mul r3.xy, r3.xy, c12.x
mul r3.x, r3.x, r0.w
// the values' slope there, a tenth of the height across
mul r4.x, c14.x, r0.w
mov r4.y, c14.x
add r20.xy, r3.xy, r4.xw
call l1
mov r5.x, r21.y
add r20.xy, r3.xy, -r4.xw
call l1
add r5.x, r5.x, -r21.y
add r20.xy, r3.xy, r4.wy
call l1
mov r5.y, r21.y
add r20.xy, r3.xy, -r4.wy
call l1
add r5.y, r5.y, -r21.y           // r5.xy: the slope
// the cycle's direction, turned a little for each patch
add r6.x, r2.z, -c10.z
mad r6.x, r6.x, c18.x, c0.x
frc r6.x, r6.x
mad r6.x, r6.x, c12.w, c13.x
sincos r7.xy, r6.x               // r7.xy: that direction
// along the contours: across the slope, turned to the side of the cycle's direction
mov r8.x, -r5.y
mov r8.y, r5.x
dp2add r8.z, r8, r8, c17.z
rsq r8.w, r8.z
mul r8.xy, r8.xy, r8.w
dp2add r8.w, r8, r7, c11.w
cmp r8.xy, r8.w, r8.xy, -r8.xy
rsq r8.z, r8.z
rcp r8.z, r8.z                   // the slope's size
mul_sat r8.z, r8.z, c14.y
lrp r9.xy, r8.z, r8.xy, r7.xy
dp2add r9.z, r9, r9, c17.z
rsq r9.z, r9.z
mul r9.xy, r9.xy, r9.z           // r9.xy: along the strokes
mov r9.z, -r9.y
mov r9.w, r9.x                   // r9.zw: across them
// the stroke coordinates: u along, w across, the rows bowed a little
dp2add r10.x, r1, r9.xyxy, c11.w
dp2add r10.y, r1, r9.zwzw, c11.w
mad r11.x, r10.x, c14.w, r2.z
frc r11.x, r11.x
mad r11.x, r11.x, c12.w, c13.x
sincos r11.y, r11.x
mad r10.y, r11.y, c14.z, r10.y
mad r11.x, r10.x, c19.x, r2.z
frc r11.x, r11.x
mad r11.x, r11.x, c12.w, c13.x
sincos r11.y, r11.x
mad r10.y, r11.y, c19.y, r10.y   // and their sides waver
rcp r11.z, c12.y
mul r10.y, r10.y, r11.z
frc r12.y, r10.y                 // across the stroke, 0..1
add r12.w, r10.y, -r12.y         // the row
mul r20.x, r12.w, c17.w
add r20.y, r2.x, r2.y
mad r20.y, r2.z, c13.y, r20.y
call l0
mov r13.x, r21.x                 // the row's random value
// each row its own stroke length and its own start along it
mad r13.y, r13.x, c10.z, c18.y
rcp r13.z, c12.z
mul r13.z, r13.z, r13.y          // strokes per unit of length
mad r10.x, r10.x, r13.z, r13.x
mad r10.x, r13.x, c17.w, r10.x
frc r12.x, r10.x                 // along the stroke, 0..1
add r12.z, r10.x, -r12.x         // the stroke's number in its row
rcp r14.y, r13.z                 // the stroke's length
// when this stroke reaches the point
mov r24.x, r12.z
mov r24.y, r12.x
call l2
mov r26.xy, r25.xy               // r26.x: that moment, r26.y: the stroke's random value
// and when the neighbour at the nearer end does, measured along the neighbour
add r27.x, r12.x, -c10.z
cmp r27.y, r27.x, c10.w, -c10.w  // +1: the next stroke, -1: the one before
add r24.x, r12.z, r27.y
add r24.y, r12.x, -r27.y
call l2
// the neighbour's rounded end covers the point where it lies nearer the end than the
// end's reach across the row, 1 - (2 w - 1)^2 of the full reach
abs r27.z, r27.x
add r27.z, c10.z, -r27.z         // the point's distance from the nearer end
mad r27.w, r12.y, c17.w, -c10.w
mad r27.w, -r27.w, r27.w, c10.w
mad r27.w, -r27.w, c20.y, r27.z
min r25.x, r25.x, r26.x
cmp r18.w, r27.w, r26.x, r25.x   // the earlier of the two where both cover it
// bristles: narrow bands across the stroke, each dragging a little behind
mul r20.x, r12.y, c17.x
frc r19.z, r20.x
add r20.x, r20.x, -r19.z
add r20.y, r12.z, r26.y
call l0
mad r18.w, r21.x, c16.w, r18.w
// a rounded head: the middle of the stroke leads
mad r19.w, r12.y, c17.w, -c10.w
mul r19.w, r19.w, r19.w
mad r18.w, r19.w, c17.y, r18.w
texld r0, v0, s0
mov r0.w, r18.w
mov oC0, r0
ret

// l0: a random value for a point of the integer lattice. In: r20.xy. Out: r21.x in
// [0, 1). Uses r22, r23.
label l0
mul r22.xyz, r20.xyxw, c10.x
frc r22.xyz, r22.xyz
add r23.xyz, r22.yzxw, c10.y
dp3 r23.x, r22, r23
add r22.xyz, r22.xyzw, r23.x
add r23.x, r22.x, r22.y
mul r23.x, r23.x, r22.z
frc r21.x, r23.x
ret

// l1: the value of the painting at r20.xy. Out: r21.y. Uses r22.
label l1
texldl r22, r20.xyww, s0
dp3 r21.y, r22, c11
ret

// l2: when a stroke of the point's row reaches the point. In: r24.x the stroke's number,
// r24.y the point's place along it (0..1 inside it, beyond that past its ends); the row
// as the main part left it (r12.y, r12.w, r14.y, r9, r2.z). Out: r25.x the moment,
// r25.y the stroke's random value. Uses r15 to r20, r21, r22, r23, r25.z.
label l2
mov r20.x, r24.x
mad r20.y, r12.w, c13.y, r2.z
call l0
mov r25.y, r21.x                 // the stroke's random value
add r20.xy, r20.xy, c13.y
call l0
mov r25.z, r21.x                 // and a second one
// the stroke's middle and two points along it, to read its values
add r15.x, c10.z, -r24.y
mul r15.x, r15.x, r14.y
add r15.y, c10.z, -r12.y
mul r15.y, r15.y, c12.y
mad r16.xy, r9.xy, r15.x, r1.xy
mad r16.xy, r9.zw, r15.y, r16.xy
mul r16.x, r16.x, r0.w
mov r20.xy, r16.xy
call l1
mov r17.x, r21.y
mul r15.z, r14.y, c13.z
mul r15.xy, r9.xy, r15.z
mul r15.x, r15.x, r0.w
add r20.xy, r16.xy, r15.xy
call l1
mov r17.y, r21.y
add r20.xy, r16.xy, -r15.xy
call l1
mov r17.z, r21.y
add r18.x, r17.x, r17.y
add r18.x, r18.x, r17.z
mul r18.x, r18.x, c10.z
mul r18.x, r18.x, c10.z
mad r18.x, r17.x, c10.z, r18.x   // mean value, the middle counted twice
max r18.y, r17.x, r17.y
max r18.y, r18.y, r17.z
min r18.z, r17.x, r17.y
min r18.z, r18.z, r17.z
add r18.y, r18.y, -r18.z         // the contrast along the stroke
// the painter's order: dark first, then light and busy strokes
add r18.x, r18.x, -c15.w
mul r18.x, r18.x, c15.x
mad_sat r18.x, r18.y, c15.y, r18.x
mul r18.w, r25.y, c15.z
mad r18.w, r18.x, c16.x, r18.w   // the stroke's start
mad r18.z, r25.z, c16.z, c16.y   // its duration
// it grows from one end or the other
mov_sat r19.x, r24.y
add r19.y, c10.w, -r19.x
add r19.z, r25.z, -c10.z
cmp r19.x, r19.z, r19.y, r19.x
mad r25.x, r19.x, r18.z, r18.w
ret

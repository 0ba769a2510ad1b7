; Refraction: the screen copy (s2) sampled projectively at t2, offset by the normal map (s1)
; scaled by c2, times the diffuse texture (s0); alpha 1.
ps_2_0
def c3, 0, 2, 0, 1
def c4, -1, 2, 1, 1
def c5, 0, 0, 1, 0
dcl t0.xy
dcl t1.xy
dcl t2
dcl_2d s0
dcl_2d s1
dcl_2d s2
texld r0, t0, s0           ; d
texld r1, t1, s1
mad r1, r1, c4.y, c4.x     ; n = 2 n - 1
sub r2, c5, r1
mul r2, r2, c2             ; o = ((0, 0, 1, 0) - n) c2
add r3, t2, r2
texldp r4, r3, s2          ; r = projective lookup at t2 + o
mul r5.xyz, r4, r0
mov r5.w, c3.w
mov oC0, r5

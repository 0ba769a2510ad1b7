; Glow taps: c0 t0 + c1 t1 + c2 t2 + c3 t3 over stages 0 to 3, all four channels.
ps_1_1
tex t0
tex t1
tex t2
tex t3
mul r0, t0, c0
mad r0, t1, c1, r0
mad r0, t2, c2, r0
mad r0, t3, c3, r0

; The stage 0 texture at t0.
ps_1_1
tex t0
mov r0, t0

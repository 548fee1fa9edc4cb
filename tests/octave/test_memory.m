function test_memory()
% An allocation that cannot be had ends the call with a clear error; the session goes on.
% Under an address-space limit (run_with_memory_limit.sh) with room for the inputs and one
% output but not the private arrays: 62 columns of n doubles, about 5 GB for n = 1e7.
n = 1e7;
tt = zeros(n, 2, 'int8');
c = zeros(n, 1, 'int8');
% Twice: the memory of the failed call was released.
for k = 1:2
  expect('error', 'huge batch', 'MATLAB:varn:OutOfMemory', 'Allocation would exceed memory limit', ...
         1, @() varn(tt, c, c, c, c, c));
end
clear tt c;
in = varn_inputs(3);
expect('true', 'a call after the failure', all(all(isfinite(varn(in{:})))));
end

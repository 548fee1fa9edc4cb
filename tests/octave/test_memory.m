function test_memory()
% An allocation that cannot be had ends the call with a clear error, and the
% session goes on. Run under an address-space limit (run_with_memory_limit.sh)
% that leaves room for the inputs and the one host output but not for the
% gateway's private arrays: 62 columns of n doubles, about 5 GB for n = 1e7.
n = 1e7;
tt = zeros(n, 2, 'int8');
c = zeros(n, 1, 'int8');
expect_varn_error('MATLAB:varn:OutOfMemory', 'Allocation would exceed memory limit', 1, ...
                  {tt, c, c, c, c, c});
% Nothing is left half done: the next calls work, and the memory of the
% failed one was released (a second failure fails the same way).
expect_varn_error('MATLAB:varn:OutOfMemory', 'Allocation would exceed memory limit', 1, ...
                  {tt, c, c, c, c, c});
clear tt c;
in = varn_inputs(3);
out = varn_call(18, in);
assert(isequal(size(out{1}), [3 9]) && all(isfinite(out{1}(:))));
end

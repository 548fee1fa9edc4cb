function [in, want] = read_reference()
% The batch and the eighteen outputs that varn_reference_dump wrote from
% the library called directly in C++ (file named by VARN_REFERENCE_FILE):
% in is the cell {tt, xp, yp, dX, dY, DUT}, want the cell of outputs.
COLS = [9 9 9 1 1 1 1 2 2 11 1 1 1 1 1 1 2 1];
file = getenv('VARN_REFERENCE_FILE');
assert(~isempty(file), 'VARN_REFERENCE_FILE is not set');
fid = fopen(file, 'r');
assert(fid >= 0, 'cannot open %s', file);
data = fread(fid, Inf, 'double');
fclose(fid);
n = data(1);
assert(n >= 1 && numel(data) == 1 + n * (2 + 5 + sum(COLS)), 'malformed %s', file);
widths = [2 1 1 1 1 1 COLS];
arrays = cell(1, numel(widths));
pos = 1;
for k = 1:numel(widths)
  arrays{k} = reshape(data(pos + 1 : pos + n * widths(k)), n, widths(k));
  pos = pos + n * widths(k);
end
in = arrays(1:6);
want = arrays(7:end);
end

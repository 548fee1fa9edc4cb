function test_eop()
% varn_eop: the call contract (every error, the warning, shapes and classes)
% and values equal to the nodes of real IERS files (tests/data).
data = fullfile(fileparts(mfilename('fullpath')), '..', 'data');
c14 = fullfile(data, 'eopc04_14_2016-12.txt');
text = fileread(c14);
nl = sprintf('\n');
tt = [57756 69.184; 57756.5 0; 60000 0; NaN 0];   % node 2017-01-03 0h UTC, mid, outside, NaN
tmp = [tempname() '_%s%d.txt'];                   % a '%' in the name stays text
ids = 'MATLAB:varn_eop:';

% Argument errors, in check order.
text_msg = 'Input for file must be a character row vector or a string scalar.';
name_msg = 'Cannot open EOP file: the name holds a NUL or exceeds 4095 bytes.';
args = {{c14}, 'nInput', 'Two inputs required.', 1; {c14, tt}, 'nOutput', 'Too many output arguments.', 7; ...
    {42, tt}, 'NotText_file', text_msg, 1; {['ab'; 'cd'], tt}, 'NotText_file', text_msg, 1; ...
    {'', tt}, 'NotText_file', text_msg, 1; {c14, {1, 2}}, 'NonNumeric_tt', 'Input for tt must be numeric.', 1; ...
    {c14, complex(tt)}, 'Complex_tt', 'Input for tt must be real.', 1; ...
    {c14, sparse([1 2])}, 'Sparse_tt', 'Input for tt must be full.', 1; ...
    {c14, zeros(2, 3)}, 'WrongDimension_tt', 'Input for tt must be of dimension nx2', 1; ...
    {'Q', tt}, 'FileOpen', 'Cannot open EOP file ''Q'': No such file or directory.', 1; ...
    {['a' char(0)], tt}, 'FileOpen', name_msg, 1; {repmat('a', 1, 5000), tt}, 'FileOpen', name_msg, 1; ...
    {repmat('a', 1, 4000), tt}, 'FileOpen', ['Cannot open EOP file ''' repmat('a', 1, 4000) ...
    ''': File name too long.'], 1};
for k = 1:size(args, 1)
  a = args{k, 1};
  expect('error', args{k, 2}, [ids args{k, 2}], args{k, 3}, args{k, 4}, @() varn_eop(a{:}));
end

% File errors: real rows edited, each naming the file, line and field.
lines = regexp(text, nl, 'split');
files = {strrep(text, '0.109722', '0.10972x'), 'MalformedRow', 'line 16: malformed field x.'; ...
    strrep(text, '2016  12  18  57740', '2016  12  17  57739'), 'NotIncreasing', ...
    'line 16: the MJD is not above that of the row before.'; ...
    strrep(text, '2017   1  15  57768', '2017   1  16  57769'), 'UnequalSpacing', ...
    'line 44: the rows are not equally spaced.'; ...
    strjoin(lines(1:17), nl), 'TooFewRows', ' has fewer than four usable rows.'; ...
    'Date MJD x y', 'UnknownFormat', ' is in no known format (EOP 14 C04, EOP 20 C04, finals2000A).'};
for k = 1:size(files, 1)
  f = fopen(tmp, 'w'); fwrite(f, files{k, 1}); fclose(f);
  sep = ', ';
  if files{k, 3}(1) == ' ', sep = ''; end
  expect('error', files{k, 2}, [ids files{k, 2}], ['EOP file ''' tmp '''' sep files{k, 3}], ...
         1, @() varn_eop(tmp, tt));
end

% Values: the file's node; shapes and classes.
want = [0.080325 0.264049 -0.000060 -0.000127 0.5889489];
state = warning('off', [ids 'outOfRange']);
out = cell(1, 6);
[out{:}] = varn_eop(c14, tt);
v = [out{1:5}];
expect('near', 'node', want, v(1, :), 1e-11);
expect('same', 'predicted', false(4, 1), out{6});
expect('true', 'double n x 1', isa(v, 'double') && isequal(size(v), [4 5]));
s = varn_eop(c14, int32([57756 69]));
expect('true', 'struct fields', isequal(fieldnames(s), {'xp'; 'yp'; 'dX'; 'dY'; 'DUT'; 'predicted'}));
[xp, yp] = varn_eop(c14, [57756 69]);
expect('same', 'int32 tt as double, two outputs', [xp yp], [s.xp s.yp]);
e = varn_eop(c14, zeros(0, 2));
expect('true', 'n = 0', isequal(size(e.xp), [0 1]) && islogical(e.predicted) && isempty(e.DUT));
p = varn_eop(fullfile(data, 'finals2000A_2016-07.txt'), [57580 68.184]);
expect('same', 'finals predicted', true, p.predicted);

% A changed file is read again; one with its size and time unchanged is not
% (its time set back with touch -r).
ref = [tempname() '.ref'];
fclose(fopen(ref, 'w'));
x = {'0.080325', '0.1803250', '0.1803260'};   % the last: same size as the one before
for k = 1:3
  f = fopen(tmp, 'w'); fwrite(f, strrep(text, '0.080325', x{k})); fclose(f);
  system(['touch -r ' ref ' ''' tmp '''']);
  s = varn_eop(tmp, tt(1, :));
  expect('near', 'changed file', str2double(x{min(k, 2)}), s.xp, 1e-11);
end
delete(ref);
warning(state);

% The warning: one per call, counting epochs outside but not NaN ones, and
% none when all are inside.
warning('error', [ids 'outOfRange']);
s = varn_eop(c14, tt(1:2, :));
expect('error', 'warning', [ids 'outOfRange'], ['1 of 4 epochs lie outside the EOP table, ' ...
       'MJD 57739.00 to 57768.00 (UTC); their values are NaN.'], 1, @() varn_eop(c14, tt));
warning(state);
delete(tmp);
end

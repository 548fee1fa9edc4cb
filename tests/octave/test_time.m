function test_time()
% varn_time and the leap-second table of every plug-in: errors, the leap-second minute,
% warnings, VARN_LEAP_SECONDS (Bulletin C 72 files: same bits; a hypothetical step: varn,
% varn_eop and their caches follow it), the expiry warning.
data = fullfile(fileparts(mfilename('fullpath')), '..', 'data');
hyp = fullfile(data, 'Leap_Second_hypothetical_2027.dat');
c14 = fullfile(data, 'eopc04_14_2016-12.txt');
c27 = fullfile(data, 'eopc04_14_2027-07_hypothetical.txt');
ids = 'MATLAB:varn_time:';
old = getenv('VARN_LEAP_SECONDS');
setenv('VARN_LEAP_SECONDS', '');

% Every argument error in check order ('' = message not rechecked), then a faulty file.
t = [57754 0];
scale_msg = @(a) ['Input for ' a ' must be one of ''UTC'', ''TAI'', ''TT'', ''GPS''.'];
text_msg = @(a) ['Input for ' a ' must be a character row vector or a string scalar.'];
cases = {{}, 'nInput', 'Three inputs required (t, from, to), or ''leapseconds''.', 1
  {t, 'UTC'}, 'nInput', '', 1; {'leapseconds'}, 'nOutput', 'Too many output arguments.', 2
  {t, 'UTC', 'TAI'}, 'nOutput', '', 3; {'leap'}, 'UnknownQuery', 'The one input must be ''leapseconds''.', 1
  {{1}, 'UTC', 'TAI'}, 'NonNumeric_t', 'Input for t must be numeric.', 1
  {complex(t), 'UTC', 'TAI'}, 'Complex_t', '', 1; {sparse(t), 'UTC', 'TAI'}, 'Sparse_t', '', 1
  {zeros(1, 3), 'UTC', 'TAI'}, 'WrongDimension_t', 'Input for t must be of dimension nx2 or nx6', 1
  {zeros(1, 3, 2), 'UTC', 'TAI'}, 'WrongDimension_t', '', 1
  {t, 1, 'TAI'}, 'NotText_from', text_msg('from'), 1; {t, 'UT1', 'TAI'}, 'UnknownScale_from', scale_msg('from'), 1
  {t, 'UTC', ''}, 'NotText_to', text_msg('to'), 1; {t, 'UTC', 'TAIX'}, 'UnknownScale_to', scale_msg('to'), 1};
for k = 1:size(cases, 1)
  [a, id, msg, nout] = cases{k, :};
  expect('error', id, [ids id], msg, nout, @() varn_time(a{:}));
end
bad = [tempname() '.dat'];
f = fopen(bad, 'w'); fwrite(f, strrep(fileread(hyp), '2027       38', '2027       39')); fclose(f);
setenv('VARN_LEAP_SECONDS', bad);
msg = ['Leap-second file ''' bad ''' (VARN_LEAP_SECONDS), line 44: step 2027-07-01 (39 s) is not 1 s ' ...
       'from the one before.'];
late = [61586 0; NaN 0];
calls = {'varn_time', {late, 'TT', 'UTC'}; 'varn', {late, [0; 0], [0; 0], [0; 0], [0; 0], [0; 0]}
         'varn_fast', {late, [0; 0], [0; 0], [0; 0], [0; 0], [0; 0]}; 'varn_eop', {c14, late}};
for k = 1:4
  expect('error', calls{k, 1}, ['MATLAB:' calls{k, 1} ':LeapSecondFile'], msg, 1, @() feval(calls{k, 1}, calls{k, 2}{:}));
end
delete(bad);  % gone: the reason is the system's
expect('error', 'gone', [ids 'LeapSecondFile'], ['Leap-second file ''' bad ''' (VARN_LEAP_SECONDS): ' ...
       'No such file or directory.'], 1, @() varn_time('leapseconds'));
setenv('VARN_LEAP_SECONDS', '');

% The leap-second minute of 2016-12-31 (exact), classes converted, the table in force.
[out, cal] = varn_time(int32([2016 12 31 23 59 60]) , 'utc', 'TAI');
expect('same', 'leap second', [57754 36 2017 1 1 0 0 36], [out cal]);
[out, cal] = varn_time(single([57754 36.5]), 'TAI', 'UTC');
expect('same', 'back', [57753 86400.5 2016 12 31 23 59 60.5], [out cal]);
s = varn_time('leapseconds');
expect('true', 'table', isequal(s.steps(end, :), [2017 1 1 37]) && size(s.steps, 1) == 28 && ...
       isequal(s.expires, [2027 6 28]) && s.expires_mjd == 61584 && isequal(fieldnames(s)', ...
       {'steps', 'expires', 'expires_mjd', 'source', 'steps_source', 'expiry_source'}) && ...
       all(strcmp({s.source, s.steps_source, s.expiry_source}, 'built-in')));

% One warning per call, with the count: invalid times, epochs after the expiry date.
state = warning('error', [ids 'invalidTime']);
expect('error', 'invalid', [ids 'invalidTime'], ['1 of 3 epochs are no valid time of their scale ' ...
       '(a date or time of day that does not exist, or a value that is not finite); their rows are NaN.'], ...
       1, @() varn_time([2016 12 30 23 59 60 ; 2016 12 31 23 59 60; 2017 1 1 0 0 0], 'UTC', 'GPS'));
warning(state);
lastwarn('');
varn_time([2016 12 31 23 59 60; 2017 1 1 0 0 0], 'UTC', 'GPS');
expect('true', 'no warning when every epoch is valid and known', isempty(lastwarn()));
msg = ['1 of 2 epochs lie after 2027-06-28, the expiry date of the leap-second table (built-in): their UTC ' ...
       'assumes no leap second after the last known one (TAI - UTC = 37 s from 2017-01-01). Name a newer ' ...
       'IERS Leap_Second.dat or leap-seconds.list in the environment variable VARN_LEAP_SECONDS.'];
for k = 1:4
  id = ['MATLAB:' calls{k, 1} ':leapSecondsExpired'];
  warning('error', id);
  expect('error', id, id, msg, 1, @() feval(calls{k, 1}, calls{k, 2}{:}));
  warning('off', id);
end

% The Bulletin C 72 files give every bit of the built-in table; the hypothetical step moves
% UTC and UT1 by 1 s from 2027-07-01 and lets varn_eop read the excerpt that shows it.
in = varn_inputs(9);
in{1} = [in{1}; 61585.5 0; 61588 0];
in(2:end) = cellfun(@(v) [v; 0.1; 0.1], in(2:end), 'UniformOutput', false);
want = cell(2, 18);
[want{1, :}] = varn(in{:});
[want{2, :}] = varn_fast(in{:});
eop = varn_eop(c14, [57754 37; 57760 0]);
mismatch = ['EOP file ''' c27 ''', line 32: UT1 - UTC steps by +0.9990469 s from 2027-06-30 (MJD 61586.00) ' ...
            'to 2027-07-01 (MJD 61587.00), while TAI - UTC is 37.0000000 s and 37.0000000 s in the leap-second ' ...
            'table (built-in): the file and the table disagree about a leap second. Name a leap-second file ' ...
            'that holds it in the environment variable VARN_LEAP_SECONDS, or use an EOP file that agrees with ' ...
            'the table.'];
expect('error', 'mismatch', 'MATLAB:varn_eop:LeapSecondMismatch', mismatch, 1, @() varn_eop(c27, [61587 0]));
for file = {fullfile(data, 'Leap_Second.dat'), fullfile(data, 'leap-seconds.list'), hyp}
  setenv('VARN_LEAP_SECONDS', file{1});
  got = cell(2, 18);
  [got{1, :}] = varn(in{:});
  [got{2, :}] = varn_fast(in{:});
  if ~strcmp(file{1}, hyp)
    expect('true', [file{1} ': same bits'], isequaln({want, eop}, {got, varn_eop(c14, [57754 37; 57760 0])}));
  else
    for j = [8 9]
      expect('same', 'before the step', want{1, j}(1:10, :), got{1, j}(1:10, :));
      expect('near', 'after the step', [0 -1], got{1, j}(11, :) - want{1, j}(11, :), 2e-6);
    end
    e = varn_eop(c27, [61587 38+32.184]);
    expect('near', 'excerpt read', 0.5912977, e.DUT, 1e-11);
  end
end
setenv('VARN_LEAP_SECONDS', '');   % the kept table was parsed under the file: refused now
expect('error', 'cache follows the table', 'MATLAB:varn_eop:LeapSecondMismatch', mismatch, 1, @() varn_eop(c27, [61587 0]));
setenv('VARN_LEAP_SECONDS', old);
end

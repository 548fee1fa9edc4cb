function stress_varn (ncalls, seed)
  % STRESS_VARN  Hostile calls of varn: the session must survive them all.
  %
  %   stress_varn ()              3000 calls, fixed seed
  %   stress_varn (ncalls)        ncalls calls
  %   stress_varn (ncalls, seed)  another reproducible sequence
  %
  % Each call takes 0 to 8 inputs and asks for 0 to 20 outputs. An input is a
  % double of the right shape (values anywhere from realistic epochs to NaN,
  % Inf, subnormals, 2^31 and the calendar limits), or a single, an integer of
  % any class, a logical, char, cell, struct, function handle, complex,
  % sparse, empty or many-dimensional array of random shape. For each call the
  % outcome is predicted from the call contract: the first failing check in
  % the order input count, output count, then per input numeric, real, full,
  % then the shapes. A call must either raise exactly that error identifier
  % with its message, or, when every check passes, return max(nargout, 1)
  % real full double outputs of n rows and 9, 9, 9, 1, 1, 1, 1, 2, 2, 11, 1,
  % 1, 1, 1, 1, 1, 2, 1 columns. Any other outcome is a violation; the
  % function raises an error at the end if there was one, so that
  % octave-cli exits with a non-zero status.

  if (nargin < 1 || isempty (ncalls))
    ncalls = 3000;
  endif
  if (nargin < 2 || isempty (seed))
    seed = 20100;
  endif
  rand ("state", seed);
  randn ("state", seed);

  names = {"tt", "xp", "yp", "dX", "dY", "DUT"};
  out_cols = [9 9 9 1 1 1 1 2 2 11 1 1 1 1 1 1 2 1];

  n_ok = 0;
  n_err = 0;
  violations = 0;
  ids = {};
  id_counts = [];

  for call = 1:ncalls
    [args, nout, n] = random_call (names);
    [want_id, want_msg] = expected_error (args, nout, names);

    got_id = "";
    got_msg = "";
    outs = {};
    try
      if (nout == 0)
        clear ans;
        varn (args{:});
        outs = {ans};
      else
        outs = cell (1, nout);
        [outs{:}] = varn (args{:});
      endif
    catch err
      got_id = err.identifier;
      got_msg = err.message;
    end_try_catch

    problem = "";
    if (strcmp (got_id, "MATLAB:varn:OutOfMemory") && isempty (want_id)
        && endsWith (got_msg, "Allocation would exceed memory limit"))
      ## A documented way for a valid call to end when memory runs out.
    elseif (! strcmp (got_id, want_id))
      problem = sprintf ("identifier \"%s\" (%s), expected \"%s\"", got_id, got_msg, want_id);
    elseif (! isempty (want_id) && ! endsWith (got_msg, want_msg))
      problem = sprintf ("message \"%s\" for %s, expected \"%s\"", got_msg, got_id, want_msg);
    elseif (isempty (want_id))
      problem = check_outputs (outs, max (nout, 1), n, out_cols);
    endif

    if (isempty (got_id))
      n_ok += 1;
    else
      n_err += 1;
      k = find (strcmp (ids, got_id));
      if (isempty (k))
        ids{end+1} = got_id;
        id_counts(end+1) = 1;
      else
        id_counts(k) += 1;
      endif
    endif

    if (! isempty (problem))
      violations += 1;
      if (violations <= 20)
        fprintf (stderr, "stress_varn: call %d (%d inputs, %d outputs): %s\n      inputs: %s\n",
                 call, numel (args), nout, problem, describe (args));
      endif
    endif
  endfor

  ## The session is still usable: a plain call still gives the right shapes.
  ok = {[58000 43200], 0.1, 0.3, 0, 0, -0.2};
  final = cell (1, 18);
  [final{:}] = varn (ok{:});
  problem = check_outputs (final, 18, 1, out_cols);
  if (! isempty (problem) || ! all (isfinite ([final{:}])))
    violations += 1;
    fprintf (stderr, "stress_varn: the closing ordinary call failed: %s\n", problem);
  endif

  summary = "";
  for k = 1:numel (ids)
    summary = [summary sprintf(" %s=%d", strrep (ids{k}, "MATLAB:varn:", ""), id_counts(k))];
  endfor
  fprintf ("stress_varn: %d calls (seed %d): %d returned, %d errors [%s ], %d violations\n",
           ncalls, seed, n_ok, n_err, summary, violations);
  if (violations > 0)
    error ("stress_varn: %d of %d calls broke the call contract", violations, ncalls);
  endif
endfunction

## ---------------------------------------------------------------------------

function [args, nout, n] = random_call (names)
  ## Mostly six inputs and a legal output count, so that most calls reach the
  ## class and shape checks and many reach the computation.
  r = rand ();
  if (r < 0.8)
    nin = 6;
  else
    nin = randi ([0 8]);
  endif
  if (rand () < 0.9)
    nout = randi ([0 18]);
  else
    nout = randi ([0 20]);
  endif
  n = pick ([0 1 1 2 3 5 8 13 40]);

  ## Per call, how hostile the inputs are: all good, one bad, or anything.
  mode = rand ();
  bad = randi ([1 6]);
  args = cell (1, nin);
  for k = 1:nin
    cols = 1 + (k == 1);
    if (mode < 0.35 || (mode < 0.7 && k != bad))
      args{k} = good_input (n, cols, k);
    else
      args{k} = hostile_input (n, cols, k);
    endif
  endfor
endfunction

function x = good_input (n, cols, k)
  ## A double of the right shape; sometimes a class that converts exactly.
  x = values (n, cols, k);
  r = rand ();
  if (r < 0.08)
    x = single (x);
  elseif (r < 0.16)
    x = cast (x, pick ({"int8", "uint8", "int16", "uint16", "int32", "uint32", "int64", "uint64"}));
  endif
endfunction

function x = hostile_input (n, cols, k)
  ## Shape: the right one half the time, else any small one.
  if (rand () < 0.5)
    sz = [n cols];
  else
    sz = [pick([0 1 2 3 n n+1]) pick([0 1 2 3])];
  endif
  v = values (sz(1), sz(2), k);
  switch (randi ([1 19]))
    case 1
      x = v;                                   # double, maybe of a wrong shape
    case 2
      x = single (v);
    case 3
      x = cast (v, pick ({"int8", "uint8", "int16", "uint16", "int32", "uint32", "int64", "uint64"}));
    case 4
      x = cast (pick ([-1e300 1e300]) * ones (sz), pick ({"int64", "uint64", "int32"}));  # saturated
    case 5
      x = rand (sz) > 0.5;                     # logical
    case 6
      x = repmat ("a", sz);                    # char
    case 7
      x = cell (sz);
    case 8
      x = struct ("a", num2cell (v));
    case 9
      x = pick ({@sin, @(t) t + 1});
    case 10
      x = complex (v, ones (sz));              # complex double
    case 11
      x = complex (single (v), single (zeros (sz)));  # complex storage, zero imaginary part
    case 12
      x = sparse (v);
    case 13
      x = sparse (rand (sz) > 0.5);            # sparse logical
    case 14
      x = sparse (complex (v, ones (sz)));
    case 15
      x = pick ({[], zeros(0, 2), zeros(1, 0), zeros(0, 1), "", {}, single([]), int8([])});
    case 16
      x = repmat (v, [1 1 pick([0 2 3])]);     # many dimensions
    case 17
      x = v.';                                 # a row where a column is due
    case 18
      x = pick ({true, false, NaN, Inf, -Inf, 0, int32(7)});
    otherwise
      x = 1:sz(1);                             # a range
  endswitch
endfunction

function v = values (r, c, k)
  ## Doubles for input k: realistic ones mixed with the values that break
  ## careless code.
  specials = [NaN, Inf, -Inf, 0, -0, 1, -1, realmax, -realmax, realmin, 5e-324, ...
              2^31, -2^31, 2^31-1, 2^53, 1e18, -1e18, 1e300, 2400000.5, -68569.5, 1e9, ...
              -2468570, 997599999.5, -2431739, 36931, 41317, 56109, 57754, 59945, 86400];
  switch (k)
    case 1
      v = [40000 + 30000 * rand(r, 1), 86400 * rand(r, 1)];
      v = v(:, 1:min (c, 2));
      if (c > 2)
        v = [v, rand(r, c - 2)];
      endif
    case {2, 3}
      v = 0.5 * randn (r, c);
    case {4, 5}
      v = 1e-3 * randn (r, c);
    otherwise
      v = 0.5 * randn (r, c);
  endswitch
  v = reshape (v(:, 1:c), r, c);
  mask = rand (r, c) < 0.2;
  v(mask) = specials(randi (numel (specials), nnz (mask), 1));
endfunction

function x = pick (set)
  i = randi (numel (set));
  if (iscell (set))
    x = set{i};
  else
    x = set(i);
  endif
endfunction

function [id, msg] = expected_error (args, nout, names)
  ## The first check that fails, in the order of the call contract.
  id = "";
  msg = "";
  if (numel (args) != 6)
    id = "MATLAB:varn:nInput";
    msg = "Six inputs required.";
    return;
  endif
  if (nout > 18)
    id = "MATLAB:varn:nOutput";
    msg = "Too many output arguments.";
    return;
  endif
  for k = 1:6
    x = args{k};
    if (! isnumeric (x))
      id = ["MATLAB:varn:NonNumeric_" names{k}];
      msg = ["Input for " names{k} " must be numeric."];
      return;
    elseif (iscomplex (x))
      id = ["MATLAB:varn:Complex_" names{k}];
      msg = ["Input for " names{k} " must be real."];
      return;
    elseif (issparse (x))
      id = ["MATLAB:varn:Sparse_" names{k}];
      msg = ["Input for " names{k} " must be full."];
      return;
    endif
  endfor
  ## Columns as the MEX interface counts them: every trailing dimension.
  n = rows (args{1});
  if (host_cols (args{1}) != 2)
    id = "MATLAB:varn:WrongDimension_tt";
    msg = "Input for tt must be of dimension nx2";
    return;
  endif
  for k = 2:6
    if (host_cols (args{k}) != 1 || rows (args{k}) != n)
      id = ["MATLAB:varn:WrongDimension_" names{k}];
      msg = [names{k} " must have the same number of rows as tt"];
      return;
    endif
  endfor
endfunction

function c = host_cols (x)
  sz = size (x);
  c = prod (sz(2:end));
endfunction

function problem = check_outputs (outs, nwant, n, out_cols)
  problem = "";
  if (numel (outs) != nwant)
    problem = sprintf ("%d outputs, expected %d", numel (outs), nwant);
    return;
  endif
  for k = 1:nwant
    o = outs{k};
    if (! (isa (o, "double") && isreal (o) && ! issparse (o) && isequal (size (o), [n out_cols(k)])))
      problem = sprintf ("output %d is a %s %s of size %s, expected double %dx%d", k,
                         ifelse_str (isreal (o), "real", "complex"), class (o),
                         mat2str (size (o)), n, out_cols(k));
      return;
    endif
  endfor
endfunction

function s = ifelse_str (c, a, b)
  if (c)
    s = a;
  else
    s = b;
  endif
endfunction

function s = describe (args)
  parts = cell (1, numel (args));
  for k = 1:numel (args)
    x = args{k};
    flags = "";
    if (isnumeric (x) && iscomplex (x))
      flags = [flags " complex"];
    endif
    if (issparse (x))
      flags = [flags " sparse"];
    endif
    parts{k} = sprintf ("%s%s %s", class (x), flags, mat2str (size (x)));
  endfor
  s = strjoin (parts, ", ");
endfunction

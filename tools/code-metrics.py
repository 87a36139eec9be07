#!/usr/bin/env python3
"""What the product's code is made of, for a checkout (the current folder by default):

    python3 tools/code-metrics.py [checkout]

- lines of app/, utils/ and ucl/ (the product; tests, tools and benches are not counted);
- the share of them compiled natively: the portable sources of cmake/sources.cmake and every
  project header they include, transitively;
- functions: how many, and the median, 90th percentile and longest length in lines, from the
  line of a function's opening brace to that of its closing one (lambdas inside a function
  count with it). The function heads are found by their shape, not by a compiler.
"""
import os, re, sys, statistics
root = sys.argv[1] if len(sys.argv) > 1 else '.'
folders = ['app', 'utils', 'ucl']
files = []
for f in folders:
    for dp, dn, fn in os.walk(os.path.join(root, f)):
        for n in fn:
            if n.endswith(('.cpp', '.h')):
                files.append(os.path.relpath(os.path.join(dp, n), root))
src = open(os.path.join(root, 'cmake/sources.cmake')).read()
m = re.search(r'set\(QV_PORTABLE_SOURCES(.*?)\)', src, re.S)
portable_cpp = set(m.group(1).split())
def lines(p):
    return sum(1 for _ in open(os.path.join(root, p), encoding='utf-8'))
def includes(p):
    return re.findall(r'#include\s+["<]([^">]+)[">]', open(os.path.join(root, p), encoding='utf-8').read())
# native files: portable cpps and every project header they include, transitively
native = set()
stack = list(portable_cpp)
while stack:
    p = stack.pop()
    if p in native or not os.path.exists(os.path.join(root, p)):
        continue
    native.add(p)
    for inc in includes(p):
        if os.path.exists(os.path.join(root, inc)):
            stack.append(inc)
per = {}
total = nat = 0
for p in files:
    n = lines(p)
    per.setdefault(p.split('/')[0], 0)
    per[p.split('/')[0]] += n
    total += n
    if p in native:
        nat += n
print('product lines per folder:', per, 'total', total)
print('compiled natively: %d of %d lines = %.1f %%' % (nat, total, 100.0 * nat / total))
# functions: brace matching on bodies of function definitions (heuristic)
lengths = []
longest = []
for p in files:
    text = open(os.path.join(root, p), encoding='utf-8').read()
    # strip comments and strings
    text = re.sub(r'//[^\n]*', '', text)
    text = re.sub(r'/\*.*?\*/', '', text, flags=re.S)
    text = re.sub(r'u?R"\((.*?)\)"', '""', text, flags=re.S)
    text = re.sub(r'(u8|u|L)?"(\\.|[^"\\\n])*"', '""', text)
    text = re.sub(r"(u|L)?'(\\.|[^'\\\n])*'", "''", text)
    # An opening brace after "name(...) [const] [noexcept] [override]" (or a constructor's
    # initializer list) outside another function starts a function.
    stack = []  # (kind, start_line)
    line_no = 1
    for idx, ch in enumerate(text):
        if ch == '\n':
            line_no += 1
        if ch == '{':
            head = text[max(0, idx - 400):idx]
            head_stmt = re.split(r'[;{}]', head)[-1]
            is_func = bool(re.search(r'\)\s*(const)?\s*(noexcept)?\s*(override|final)?\s*(->\s*[\w:<>,\s*&]+)?\s*$', head_stmt)) \
                and not re.search(r'^\s*(if|for|while|switch|catch|else if)\b', head_stmt.strip()) \
                and not re.search(r'\b(if|for|while|switch|catch)\s*\(', head_stmt) \
                and not re.search(r'[=,(]\s*\[[^\]]*\]\s*\(', head_stmt)  # lambda
            # constructors with initializer lists: ") : a(b), c(d) {"
            if not is_func and re.search(r'\)\s*:\s*[\w:]+[({]', head_stmt) and not re.search(r'\b(if|for|while|switch)\b', head_stmt):
                is_func = True
            infunc = any(k == 'f' for k, _ in stack)
            stack.append(('f' if is_func and not infunc else 'b', line_no))
        elif ch == '}':
            if stack:
                k, start = stack.pop()
                if k == 'f':
                    lengths.append(line_no - start + 1)
                    longest.append((line_no - start + 1, p, start))
lengths.sort()
def percentile(q):
    return lengths[min(len(lengths) - 1, int(round(q * (len(lengths) - 1))))]
print('functions: %d, median %d, 90th percentile %d, longest %d lines' % (len(lengths), statistics.median(lengths), percentile(0.9), lengths[-1]))
longest.sort(reverse=True)
print('longest:', longest[:5])

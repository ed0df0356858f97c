"""The eight drainage directions."""

# D8 codes: 1=ne,2=e,3=se,4=s,5=sw,6=w,7=nw,8=n; rows count from the south.
D8 = {1: (1, 1), 2: (0, 1), 3: (-1, 1), 4: (-1, 0), 5: (-1, -1), 6: (0, -1), 7: (1, -1), 8: (1, 0)}
D8_DIST = {c: (1.4142 if di and dj else 1.0) for c, (di, dj) in D8.items()}

"""Lists and ranges of sizes."""

import unittest

import comun  # noqa: F401  (puts the package on the path)
from barrido.datos.tallas import leer_tallas
from barrido.datos.errores import ErrorDeUso


class Tallas(unittest.TestCase):
    def test_listas_y_rangos(self):
        casos = [
            ("1000,2000,4000", [1000, 2000, 4000]),
            ("4000, 1000,1000", [1000, 4000]),
            ("1000:16000:x2", [1000, 2000, 4000, 8000, 16000]),
            ("1000:15999:x2", [1000, 2000, 4000, 8000]),
            ("10:30:+5", [10, 15, 20, 25, 30]),
            ("10:31:+5", [10, 15, 20, 25, 30]),
            ("7:7:+1", [7]),
            ("100:400:x1.5", [100, 150, 225, 338]),
            ("1:4:x1.1", [1, 2, 3, 4]),
            ("5,1:3:+1,100:400:x2", [1, 2, 3, 5, 100, 200, 400]),
            # A factor near 1 repeats sizes; a thousand distinct ones are allowed.
            ("1:1000:x1.0001", list(range(1, 1001))),
            ("1:2147483647:x2", [2**k for k in range(31)]),
            ("1:10:x" + "9" * 400, [1]),
            ("1:10:+" + "9" * 40, [1]),
        ]
        for texto, esperadas in casos:
            with self.subTest(texto=texto):
                self.assertEqual(leer_tallas(texto), esperadas)

    def test_errores(self):
        for texto in ["", "1000,", "abc", "0", "-5", "1.5", "10:1:x2", "1:10:x1", "1:10:x0.5",
                      "1:10:+0", "1:10", "1:10:*2", "1:10:x", "1:10:+2:3", "0:10:+1",
                      # Digits of other scripts, sizes past a 32-bit int, and more
                      # than a thousand sizes, refused before they are listed.
                      "٣", "1:٣:+1", "1:10:x٢", "2147483648", "9" * 5000, "1:1001:+1",
                      "1:100000000:+1", "1:100000000:x1.0000001", "1:2147483647:x1.001",
                      "1:600:+1,601:1200:+1"]:
            with self.subTest(texto=texto), self.assertRaises(ErrorDeUso):
                leer_tallas(texto)


if __name__ == "__main__":
    unittest.main()

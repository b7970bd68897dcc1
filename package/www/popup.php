<?php $kind = preg_replace('/[^a-z]/', '', (string) ($_GET['kind'] ?? 'plain')); ?>
<!DOCTYPE html>
<html lang="en">
<head><meta charset="utf-8"><title>Popup (<?= $kind ?>)</title><link rel="stylesheet" href="style.css"></head>
<body>
<main>
<section>
<h2>A popup window</h2>
<p>Opened as: <strong id="kind"><?= $kind ?></strong></p>
<button onclick="window.close()">Close this window</button>
</section>
</main>
</body>
</html>
